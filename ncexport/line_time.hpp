// The time of a table line, in seconds since 2000-01-01 00:00:00 of the
// instrument's clock, from whichever columns carry it: the date and the day
// number of a daily table, the clock codes of a basic-data table, or the
// time column of a Normal or Fraction table in the pattern the user chose.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ncexport {

// The dataset's time unit, and the day it counts from (days since
// 1899-12-30, as the programs count days).
inline constexpr std::string_view kTimeUnits = "seconds since 2000-01-01 00:00:00";
inline constexpr double kTimeOrigin = 36526;

// A date-time pattern as the postprocessor writes its time column: runs of
// the letters y (year), m (month; after an hour code the minutes), d, h, n
// (minutes), s; a run of two or more writes two digits (yyy and more the
// whole year), a single letter one or two; "/" stands for "-", other
// characters stand for themselves.
struct TimePattern {
    struct Piece {
        char code = 0;  // 'Y', 'M', 'D', 'H', 'N', 'S', or 0 for literal text
        int digits = 0;  // exactly this many; 0: one or two (a single letter), or up to four (a whole year)
        std::string literal;
    };
    std::vector<Piece> pieces;
    // Year, month, day, hour and minute are all there.
    bool complete = false;
};

TimePattern compilePattern(std::string_view pattern);
// The time of a text written with the pattern; false when the text is not
// one, or names a date or time that does not exist.
bool patternTime(const TimePattern& pattern, std::string_view text, double& seconds);

// Daily table: the date of yymmdd (year 2000 + yy) plus the fraction of the
// day number DAY as read into a single float. A line of the last seconds of
// a day may carry the next day's date with its own day number; its time is
// then the earlier date plus the fraction.
bool dayFractionTime(int32_t yymmdd, float dayNumber, double& seconds);
// yymmdd and a clock code: hhnnss (basic data) or hhnn (Normal and Fraction
// tables).
bool clockTime(int32_t yymmdd, int32_t clock, bool withSeconds, double& seconds);
// Days since 1899-12-30 with the fraction of the day ("t.f").
bool serialDayTime(double days, double& seconds);

}  // namespace ncexport
