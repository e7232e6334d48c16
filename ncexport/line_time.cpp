#include "ncexport/line_time.hpp"

#include <cmath>

#include "platform/datetime.hpp"
#include "platform/text.hpp"

namespace ncexport {

namespace {

constexpr double kSecondsPerDay = 86400;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool dateOf(int32_t yymmdd, double& day) {
    if (yymmdd < 0) return false;
    return platform::tryEncodeDate(2000 + yymmdd / 10000, yymmdd / 100 % 100, yymmdd % 100, day);
}

bool secondsOf(double day, int hour, int minute, int second, double& seconds) {
    if (hour > 23 || minute > 59 || second > 59) return false;
    seconds = (day - kTimeOrigin) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
    return true;
}

}  // namespace

TimePattern compilePattern(std::string_view pattern) {
    TimePattern compiled;
    char lastLetter = 0;
    auto literal = [&](std::string_view text) {
        if (compiled.pieces.empty() || compiled.pieces.back().code != 0) compiled.pieces.emplace_back();
        compiled.pieces.back().literal += text;
    };
    bool seen[128] = {};
    for (size_t i = 0; i < pattern.size();) {
        const char upper = platform::toUpperAscii(pattern[i]);
        if (upper < 'A' || upper > 'Z') {
            literal(pattern[i] == '/' ? std::string_view("-") : pattern.substr(i, 1));
            ++i;
            continue;
        }
        size_t run = 1;
        while (i + run < pattern.size() && platform::toUpperAscii(pattern[i + run]) == upper) ++run;
        const char code = (upper == 'M' && lastLetter == 'H') ? 'N' : upper;
        if (code == 'Y' || code == 'M' || code == 'D' || code == 'H' || code == 'N' || code == 'S') {
            TimePattern::Piece piece;
            piece.code = code;
            piece.digits = code == 'Y' ? (run <= 2 ? 2 : 0) : (run >= 2 ? 2 : 0);
            compiled.pieces.push_back(piece);
            seen[static_cast<unsigned char>(code)] = true;
        } else {
            literal(pattern.substr(i, run));
        }
        lastLetter = upper;
        i += run;
    }
    compiled.complete = seen['Y'] && seen['M'] && seen['D'] && seen['H'] && seen['N'];
    return compiled;
}

bool patternTime(const TimePattern& pattern, std::string_view text, double& seconds) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    size_t at = 0;
    for (const TimePattern::Piece& piece : pattern.pieces) {
        if (piece.code == 0) {
            if (text.substr(at, piece.literal.size()) != piece.literal) return false;
            at += piece.literal.size();
            continue;
        }
        const size_t most = piece.digits > 0 ? piece.digits : (piece.code == 'Y' ? 4 : 2);
        int value = 0;
        size_t used = 0;
        while (used < most && at < text.size() && isDigit(text[at])) {
            value = value * 10 + (text[at] - '0');
            ++at;
            ++used;
        }
        if (used == 0 || (piece.digits > 0 && used != static_cast<size_t>(piece.digits))) return false;
        switch (piece.code) {
            case 'Y': year = piece.digits == 2 ? 2000 + value : value; break;
            case 'M': month = value; break;
            case 'D': day = value; break;
            case 'H': hour = value; break;
            case 'N': minute = value; break;
            default: second = value; break;
        }
    }
    double date = 0;
    return at == text.size() && platform::tryEncodeDate(year, month, day, date) &&
           secondsOf(date, hour, minute, second, seconds);
}

bool dayFractionTime(int32_t yymmdd, float dayNumber, double& seconds) {
    double day = 0;
    if (!dateOf(yymmdd, day) || !std::isfinite(dayNumber)) return false;
    const float whole = std::trunc(dayNumber);
    const float fraction = dayNumber - whole;
    // The converter dates a cycle of the last 15 s of a day by its time
    // + 15 s, so the next day's date, but numbers it by its own day.
    if (fraction >= 0.999f && whole == static_cast<float>(platform::dayOfYear(day - 1))) day -= 1;
    seconds = (day - kTimeOrigin) * kSecondsPerDay + static_cast<double>(fraction) * kSecondsPerDay;
    return true;
}

bool clockTime(int32_t yymmdd, int32_t clock, bool withSeconds, double& seconds) {
    double day = 0;
    if (clock < 0 || clock > (withSeconds ? 235959 : 2359) || !dateOf(yymmdd, day)) return false;
    if (!withSeconds) clock *= 100;
    return secondsOf(day, clock / 10000, clock / 100 % 100, clock % 100, seconds);
}

bool serialDayTime(double days, double& seconds) {
    // The calendar's days from 1899-12-30 to the end of the year 9999.
    if (!(days >= 0 && days < 2958466)) return false;
    seconds = (days - kTimeOrigin) * kSecondsPerDay;
    return true;
}

}  // namespace ncexport
