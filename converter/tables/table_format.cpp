#include "converter/tables/table_format.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>

#include "platform/datetime.hpp"
#include "platform/number_text.hpp"

namespace converter {

void appendIntegerLine(std::string& out, const int64_t* values, int count) {
    char text[87 * 24 + 2];
    char* p = text;
    for (int i = 0; i < count && i < 87; ++i) {
        if (i > 0) *p++ = '\t';
        p = std::to_chars(p, p + 24, values[i]).ptr;
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
