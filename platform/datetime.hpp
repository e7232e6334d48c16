// Date-time as both programs count it: a double of days since
// 30 December 1899 00:00; the whole part is the day, the fraction the time
// of day (one minute is 1/1440).
#pragma once

#include <string>
#include <string_view>

namespace platform {

using DateTime = double;

struct DateTimeParts {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);
bool isValidDate(int year, int month, int day);  // years 1..9999

// Encoding; a date or time that does not exist is a run-time error.
DateTime encodeDate(int year, int month, int day);
DateTime encodeTime(int hour, int minute, int second, int millisecond);
// Encoding without the error: false for a date that does not exist.
bool tryEncodeDate(int year, int month, int day, DateTime& result);

// Parts of a date-time; the time of day is the fraction rounded to the
// nearest millisecond, and a time that rounds to 24:00:00.000 belongs to the
// next day.
DateTimeParts decode(DateTime when);
// Day of the year, 1 on 1 January.
int dayOfYear(DateTime when);

struct DateFormat {
    char dateSeparator = '-';
    char timeSeparator = ':';
};

// Formats with a pattern of the usual letters (letter case ignored):
//   y, yy -> two-digit year; yyy, yyyy -> four-digit year;
//   m -> month, mm -> two-digit month; after an hour code (the last letter
//        code before it was h) m and mm mean minutes;
//   d, dd; h, hh; n, nn; s, ss -> day, hour, minute, second (one letter
//        without, two or more letters with a leading zero);
//   "/" -> the date separator, ":" -> the time separator;
//   every other character is copied.
std::string formatDateTime(std::string_view pattern, DateTime when, const DateFormat& format = {});
// The same, appended to `out`.
void appendDateTime(std::string& out, std::string_view pattern, DateTime when,
                    const DateFormat& format = {});

// The local date and time now.
DateTime localNow();

}  // namespace platform
