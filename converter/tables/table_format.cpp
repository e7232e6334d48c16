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

}  // namespace

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
