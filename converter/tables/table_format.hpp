// Layout of the daily table's data lines: numbers as fixed-point text, the
// time columns, and the overload and regime columns.
#pragma once

#include <cstdint>
#include <string>

namespace converter {

// Appends `value` as fixed-point text with `decimals` digits, exactly as
// platform::appendFixed writes it (halves away from zero, the minus after
// the sign bit).
void appendColumn(std::string& out, double value, int decimals);

// The same text written at `at` for a finite value below kColumnLimit in
// magnitude with 0..kColumnMaxDecimals decimals; returns the end of the text
// (at most kColumnRoom characters).
inline constexpr double kColumnLimit = 1e15;
inline constexpr int kColumnMaxDecimals = 8;
inline constexpr int kColumnRoom = 32;
char* writeColumn(char* at, double value, int decimals);

// Writes integers TAB-separated, then CR LF.
void appendIntegerLine(std::string& out, const int64_t* values, int count);

// Columns 1..3 of a standard-data line for the cycle time t (days).
struct TimeColumns {
    double yymmdd = 0;
    double hhmm = 0;
    double day = 0;
};

// cycleminutes 0: HHMM is hh * 100 + nn + ss / 60 of t. cycleminutes m > 0:
// date and HHMM (the centre of the m-minute slot from the full hour) are
// taken from t + 15 s. DAY is the day of the year of t plus its whole
// seconds since midnight / 86400 in both cases.
TimeColumns standardTimeColumns(double t, int cycleminutes);

// Columns 1 and 2 of a basic-data line: yymmdd and hhnnss of t.
struct BasicTime {
    int32_t yymmdd = 0;
    int32_t hhnnss = 0;
};
BasicTime basicTimeColumns(double t);

// 100 x (sum of the overload counts of the cycle's records) + their number.
inline double ovlScValue(double overloadSum, int recordCount) {
    return 100 * overloadSum + recordCount;
}

// Decimal digits O S S E H H: output style, thousands and ten-thousands of
// the status word, extra correction, last two digits of the status word.
inline int64_t regimeCode(int outputstyle, int extracorrect, int32_t statusWord) {
    const int64_t h = statusWord;
    return int64_t{outputstyle} * 100000 + (h / 1000) % 100 * 1000 + int64_t{extracorrect} * 100 +
           h % 100;
}

}  // namespace converter
