#include "platform/datetime.hpp"

#include <chrono>
#include <cmath>
#include <ctime>

#include "platform/run_error.hpp"
#include "platform/text.hpp"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace platform {

namespace {

// Days from 0001-01-01 (proleptic Gregorian) to the given date, 0-based.
constexpr long long daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;  // days since 1970-01-01
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long yy = yoe + era * 400;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

// 1899-12-30 counted from 1970-01-01.
constexpr long long kEpochOffset = daysFromCivil(1899, 12, 30);

constexpr long long kMsPerDay = 86400000LL;

void appendNumber(std::string& out, int value, bool twoDigits) {
    if (twoDigits && value < 10) out += '0';
    out += std::to_string(value);
}

}  // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

bool isValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysInMonth(year, month);
}

bool tryEncodeDate(int year, int month, int day, DateTime& result) {
    if (!isValidDate(year, month, day)) return false;
    result = static_cast<double>(daysFromCivil(year, month, day) - kEpochOffset);
    return true;
}

DateTime encodeDate(int year, int month, int day) {
    DateTime result;
    if (!tryEncodeDate(year, month, day, result))
        fail("the date " + std::to_string(year) + "-" + std::to_string(month) + "-" +
             std::to_string(day) + " does not exist");
    return result;
}

DateTime encodeTime(int hour, int minute, int second, int millisecond) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999)
        fail("the time " + std::to_string(hour) + ":" + std::to_string(minute) + ":" +
             std::to_string(second) + " does not exist");
    return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) /
           static_cast<double>(kMsPerDay);
}

DateTimeParts decode(DateTime when) {
    double whole = std::trunc(when);
    long long days = static_cast<long long>(whole);
    long long ms = std::llround(std::fabs(when - whole) * static_cast<double>(kMsPerDay));
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        days += when < 0 ? -1 : 1;
    }
    DateTimeParts p;
    civilFromDays(days + kEpochOffset, p.year, p.month, p.day);
    p.hour = static_cast<int>(ms / 3600000);
    p.minute = static_cast<int>(ms / 60000 % 60);
    p.second = static_cast<int>(ms / 1000 % 60);
    p.millisecond = static_cast<int>(ms % 1000);
    return p;
}

int dayOfYear(DateTime when) {
    DateTimeParts p = decode(when);
    return static_cast<int>(daysFromCivil(p.year, p.month, p.day) - daysFromCivil(p.year, 1, 1)) +
           1;
}

void appendDateTime(std::string& out, std::string_view pattern, DateTime when,
                    const DateFormat& format) {
    const DateTimeParts p = decode(when);
    char lastLetter = 0;
    size_t i = 0;
    while (i < pattern.size()) {
        char c = pattern[i];
        char upper = toUpperAscii(c);
        if (upper >= 'A' && upper <= 'Z') {
            size_t run = 1;
            while (i + run < pattern.size() && toUpperAscii(pattern[i + run]) == upper) ++run;
            char code = (upper == 'M' && lastLetter == 'H') ? 'N' : upper;
            bool pad = run >= 2;
            switch (code) {
                case 'Y':
                    if (run <= 2)
                        appendNumber(out, p.year % 100, true);
                    else
                        out += std::to_string(p.year);
                    break;
                case 'M': appendNumber(out, p.month, pad); break;
                case 'D': appendNumber(out, p.day, pad); break;
                case 'H': appendNumber(out, p.hour, pad); break;
                case 'N': appendNumber(out, p.minute, pad); break;
                case 'S': appendNumber(out, p.second, pad); break;
                default: out.append(pattern.substr(i, run)); break;
            }
            lastLetter = upper;
            i += run;
        } else {
            if (c == '/')
                out += format.dateSeparator;
            else if (c == ':')
                out += format.timeSeparator;
            else
                out += c;
            ++i;
        }
    }
}

std::string formatDateTime(std::string_view pattern, DateTime when, const DateFormat& format) {
    std::string out;
    appendDateTime(out, pattern, when, format);
    return out;
}

DateTime localNow() {
#ifdef _WIN32
    // The system's own local time: the same clock and time zone as the
    // modification dates of files.
    SYSTEMTIME local;
    GetLocalTime(&local);
    return encodeDate(local.wYear, local.wMonth, local.wDay) +
           encodeTime(local.wHour, local.wMinute, local.wSecond, local.wMilliseconds);
#else
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    localtime_r(&t, &local);
    return encodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           encodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                      ms < 0 ? 0 : ms);
#endif
}

}  // namespace platform
