#include "converter/tables/table_format.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>

#include "platform/datetime.hpp"
#include "platform/number_text.hpp"

namespace converter {

namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

constexpr uint64_t kPowersOfTen[20] = {1ull,
                                       10ull,
                                       100ull,
                                       1000ull,
                                       10000ull,
                                       100000ull,
                                       1000000ull,
                                       10000000ull,
                                       100000000ull,
                                       1000000000ull,
                                       10000000000ull,
                                       100000000000ull,
                                       1000000000000ull,
                                       10000000000000ull,
                                       100000000000000ull,
                                       1000000000000000ull,
                                       10000000000000000ull,
                                       100000000000000000ull,
                                       1000000000000000000ull,
                                       10000000000000000000ull};

int digitCount(uint64_t v) {
    if (v == 0) return 1;
    const int t = (64 - std::countl_zero(v)) * 1233 >> 12;  // about log10
    return t + 1 - (v < kPowersOfTen[t]);
}

// Writes the digits of v backwards so that they end just before `end`;
// returns where they begin.
template <typename Unsigned>
char* digitsBefore(char* end, Unsigned v) {
    char* p = end;
    while (v >= 100) {
        const auto pair = static_cast<unsigned>(v % 100);
        v /= 100;
        p -= 2;
        p[0] = kDigitPairs[2 * pair];
        p[1] = kDigitPairs[2 * pair + 1];
    }
    if (v >= 10) {
        p -= 2;
        p[0] = kDigitPairs[2 * v];
        p[1] = kDigitPairs[2 * v + 1];
    } else {
        *--p = static_cast<char>('0' + v);
    }
    return p;
}

char* writeWhole(char* at, uint64_t v) {
    char* end = at + digitCount(v);
    if (v <= UINT32_MAX)
        digitsBefore(end, static_cast<uint32_t>(v));
    else
        digitsBefore(end, v);
    return end;
}

char* writeWhole(char* at, uint64_t whole, bool negative) {
    if (negative) *at++ = '-';
    return writeWhole(at, whole);
}

// v / 10^decimals with a point and all its decimals.
char* writeScaled(char* at, uint64_t v, int decimals) {
    const uint64_t unit = kPowersOfTen[decimals];
    at = writeWhole(at, v / unit);
    char* end = at + 1 + decimals;
    // unit + the remainder has decimals + 1 digits: its leading 1 falls on
    // the place of the point.
    digitsBefore(end, v % unit + unit);
    *at = '.';
    return end;
}

// True when |value| lies exactly halfway between two neighbours of
// `decimals` decimals: then |value| = odd / 2^(decimals + 1).
bool isDecimalTie(double magnitude, int decimals) {
    const double scaled = std::ldexp(magnitude, decimals + 1);
    return scaled == std::floor(scaled) && scaled < 0x1p53 && std::fmod(scaled, 2.0) == 1.0;
}

}  // namespace

char* writeColumn(char* at, double value, int decimals) {
    const double magnitude = std::fabs(value);
    if (decimals <= 0) {
        decimals = 0;
        if (magnitude < 0x1p52) {
            // Half away from zero on the exact binary value: below 2^52 the
            // fraction |v| - trunc(|v|) is exact.
            auto whole = static_cast<int64_t>(magnitude);
            whole += magnitude - static_cast<double>(whole) >= 0.5;
            return writeWhole(at, static_cast<uint64_t>(whole), std::signbit(value));
        }
    } else if (decimals <= kColumnMaxDecimals) {
        // x = |v| * 10^d rounded half away from zero. The product differs
        // from x by at most half a unit in its last place, below 2^-14 while
        // x < 2^40; so unless it lies that close to a half, it rounds to the
        // same whole number as x.
        const double scaled = magnitude * static_cast<double>(kPowersOfTen[decimals]);
        if (scaled < 0x1p40) {
            auto whole = static_cast<int64_t>(scaled);
            const double fraction = scaled - static_cast<double>(whole);
            if (std::fabs(fraction - 0.5) > 1e-3) {
                whole += fraction > 0.5;
                if (std::signbit(value)) *at++ = '-';
                return writeScaled(at, static_cast<uint64_t>(whole), decimals);
            }
        }
    }
    // to_chars rounds exact ties to even; halves go away from zero, so a tie
    // is moved off the midpoint by one step outward first.
    double v = value;
    if (isDecimalTie(magnitude, decimals)) v = std::nextafter(v, std::signbit(v) ? -INFINITY : INFINITY);
    return std::to_chars(at, at + kColumnRoom, v, std::chars_format::fixed, decimals).ptr;
}

void appendColumn(std::string& out, double value, int decimals) {
    if (std::isfinite(value) && std::fabs(value) < kColumnLimit && decimals <= kColumnMaxDecimals) {
        char text[kColumnRoom];
        out.append(text, writeColumn(text, value, decimals));
        return;
    }
    platform::appendFixed(out, value, decimals);
}

void appendIntegerLine(std::string& out, const int64_t* values, int count) {
    char text[87 * 24 + 2];
    char* p = text;
    for (int i = 0; i < count && i < 87; ++i) {
        if (i > 0) *p++ = '\t';
        const int64_t v = values[i];
        p = writeWhole(p, v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v), v < 0);
    }
    *p++ = '\r';
    *p++ = '\n';
    out.append(text, p);
}

namespace {

double dateNumber(const platform::DateTimeParts& p) {
    return (p.year % 100) * 10000 + p.month * 100 + p.day;
}

}  // namespace

TimeColumns standardTimeColumns(double t, int cycleminutes) {
    TimeColumns c;
    const platform::DateTimeParts at = platform::decode(t);
    if (cycleminutes <= 0) {
        c.yymmdd = dateNumber(at);
        c.hhmm = at.hour * 100 + at.minute + at.second / 60.0;
    } else {
        // Shifted by 15 s: the last quarter minute of a slot is named after
        // the next one.
        const platform::DateTimeParts shifted = platform::decode(t + 1.0 / 5760.0);
        const int m = cycleminutes;
        c.yymmdd = dateNumber(shifted);
        c.hhmm = shifted.hour * 100 + shifted.minute / m * m + m / 2.0;
    }
    c.day = platform::dayOfYear(t) + (at.hour * 3600 + at.minute * 60 + at.second) / 86400.0;
    return c;
}

BasicTime basicTimeColumns(double t) {
    const platform::DateTimeParts at = platform::decode(t);
    return {static_cast<int32_t>(dateNumber(at)), at.hour * 10000 + at.minute * 100 + at.second};
}

}  // namespace converter
