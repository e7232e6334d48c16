// Reading numbers and lines from a text file held in memory, the way the
// daily tables and diameters.txt are read: numbers are separated by blanks,
// TABs and line ends, and a line's remainder can be skipped.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/number_text.hpp"

namespace postprocessor {

class TextScanner {
public:
    explicit TextScanner(std::string_view text)
        : begin_(text.data()), p_(text.data()), end_(text.data() + text.size()) {}

    bool atEnd() const { return p_ == end_; }
    // Number of characters read so far.
    size_t consumed() const { return static_cast<size_t>(p_ - begin_); }

    // Skips blanks, TABs and line ends, and returns the characters up to the
    // next one of them. Empty only at the end of the text.
    std::string_view nextToken() {
        while (p_ != end_ && isSeparator(*p_)) {
            if (*p_ == '\n') ++line_;
            ++p_;
        }
        const char* start = p_;
        while (p_ != end_ && !isSeparator(*p_)) ++p_;
        return std::string_view(start, static_cast<size_t>(p_ - start));
    }

    enum class Number { end, read, bad };

    // Skips blanks, TABs and line ends and reads the next token as a single
    // float, the nearest to its decimal value. At the end of the text the
    // value is 0. `token` is the text read; a token that is no number or
    // lies beyond the range of single floats is bad.
    //
    // Plain decimals of at most 24 significant bits and 10 decimals (all
    // numbers of a daily table) are converted here: digits and power of ten
    // are both exact single floats, so their quotient is the correctly
    // rounded value, the same as the general parser gives. Everything else
    // goes to the general parser.
    Number nextFloat(float& value, std::string_view& token) {
        while (p_ != end_ && isSeparator(*p_)) {
            if (*p_ == '\n') ++line_;
            ++p_;
        }
        const char* start = p_;
        if (start == end_) {
            value = 0;
            token = {};
            return Number::end;
        }
        const char* q = start;
        if (end_ - start >= 18 ? readShortDecimal(q, value) : readDecimal(q, value)) {
            p_ = q;
            token = std::string_view(start, static_cast<size_t>(q - start));
            return Number::read;
        }
        while (p_ != end_ && !isSeparator(*p_)) ++p_;
        token = std::string_view(start, static_cast<size_t>(p_ - start));
        return platform::parseFloat(token, value) && value - value == 0 ? Number::read : Number::bad;
    }

    // Skips everything up to and including the next line end.
    void skipRestOfLine() {
        const void* lf = p_ == end_ ? nullptr : std::memchr(p_, '\n', static_cast<size_t>(end_ - p_));
        if (lf) {
            p_ = static_cast<const char*>(lf) + 1;
            ++line_;
        } else {
            p_ = end_;
        }
    }

    // The rest of the current line without its line end (LF or CR LF);
    // empty at the end of the text.
    std::string_view readLine() {
        const char* start = p_;
        skipRestOfLine();
        const char* stop = p_;
        if (stop != start && stop[-1] == '\n') {
            --stop;
            if (stop != start && stop[-1] == '\r') --stop;
        }
        return std::string_view(start, static_cast<size_t>(stop - start));
    }

    // Number of the line the scanner stands in (1 for the first line).
    long long lineNumber() const { return line_; }

private:
    static constexpr float kPowersOfTen[11] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

    static bool isDigit(char c) { return static_cast<unsigned>(c - '0') < 10u; }

    // The decimal at q (sign, digits, point, digits) up to a separator or
    // the end of the text, when it is one of those converted here; q is
    // then moved behind it. Otherwise false, and q and value are left to
    // the general parser.
    bool readDecimal(const char*& at, float& value) const {
        const char* q = at;
        bool negative = *q == '-';
        if (*q == '-' || *q == '+') ++q;
        uint64_t digits = 0;
        int digitCount = 0, decimals = 0;
        for (; q != end_ && isDigit(*q); ++q, ++digitCount) digits = digits * 10 + static_cast<unsigned>(*q - '0');
        if (q != end_ && *q == '.') {
            for (++q; q != end_ && isDigit(*q); ++q, ++digitCount, ++decimals)
                digits = digits * 10 + static_cast<unsigned>(*q - '0');
        }
        if (!(digitCount > 0 && digitCount <= 18 && digits < (1u << 24) && decimals <= 10 &&
              (q == end_ || isSeparator(*q))))
            return false;
        value = toFloat(digits, decimals, negative);
        at = q;
        return true;
    }

    // digits / 10^decimals, both exact single floats: the quotient is the
    // correctly rounded value.
    static float toFloat(uint64_t digits, int decimals, bool negative) {
        float magnitude = static_cast<float>(static_cast<int32_t>(digits));
        if (decimals > 0) magnitude /= kPowersOfTen[decimals];
        return negative ? -magnitude : magnitude;
    }

    // The same for a number of at most seven digits before and after the
    // point, with at least 18 characters of text from `at` on: the digits
    // are found and added eight characters at a time. Anything else goes to
    // readDecimal.
    bool readShortDecimal(const char*& at, float& value) const {
        if constexpr (std::endian::native != std::endian::little) return readDecimal(at, value);
        const char* q = at;
        const bool negative = *q == '-';
        if (*q == '-' || *q == '+') ++q;
        int whole = 0;
        uint64_t digits = digitsAt(q, whole);
        q += whole;
        int decimals = 0;
        if (*q == '.') {
            ++q;
            const uint64_t fraction = digitsAt(q, decimals);
            if (decimals == 8) return readDecimal(at, value);
            q += decimals;
            digits = digits * kScales[decimals] + fraction;
        }
        if (whole == 8 || whole + decimals == 0 || digits >= (1u << 24) || !(q == end_ || isSeparator(*q)))
            return readDecimal(at, value);
        value = toFloat(digits, decimals, negative);
        at = q;
        return true;
    }

    static constexpr uint64_t kScales[8] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};

    // The value of the digits that begin at q, at most eight of them, and
    // their number; eight characters from q on must be readable.
    static uint64_t digitsAt(const char* q, int& count) {
        uint64_t chunk;
        std::memcpy(&chunk, q, sizeof chunk);
        // A byte is a digit when its high half is 3 and adding 6 leaves it
        // so. A carry out of a byte only comes from one that is no digit,
        // and goes to a later one: the first non-digit is found all the same.
        constexpr uint64_t kHigh = 0xF0F0F0F0F0F0F0F0ull, kThrees = 0x3030303030303030ull;
        const uint64_t other = ((chunk & kHigh) ^ kThrees) | (((chunk + 0x0606060606060606ull) & kHigh) ^ kThrees);
        count = other == 0 ? 8 : std::countr_zero(other) / 8;
        if (count == 0) return 0;
        // The digits to the top bytes, zeros before them; then pairs,
        // fours and eights of digits are combined.
        uint64_t v = (chunk << (64 - 8 * count)) & 0x0F0F0F0F0F0F0F0Full;
        v = (v * 2561) >> 8 & 0x00FF00FF00FF00FFull;
        v = (v * 6553601) >> 16 & 0x0000FFFF0000FFFFull;
        return (v * 42949672960001ull) >> 32;
    }

    static bool isSeparator(char c) {
        constexpr uint64_t mask = (1ull << ' ') | (1ull << '\t') | (1ull << '\r') | (1ull << '\n');
        auto u = static_cast<unsigned char>(c);
        return u <= ' ' && ((mask >> u) & 1u);
    }

    const char* begin_;
    const char* p_;
    const char* end_;
    long long line_ = 1;
};

}  // namespace postprocessor
