// Reading numbers and lines from a text file held in memory, the way the
// daily tables and diameters.txt are read: numbers are separated by blanks,
// TABs and line ends, and a line's remainder can be skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/number_text.hpp"

namespace postprocessor {

class TextScanner {
public:
    explicit TextScanner(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    bool atEnd() const { return p_ == end_; }

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
        bool negative = *q == '-';
        if (*q == '-' || *q == '+') ++q;
        uint64_t digits = 0;
        int digitCount = 0, decimals = 0;
        for (; q != end_ && static_cast<unsigned>(*q - '0') < 10u; ++q, ++digitCount)
            digits = digits * 10 + static_cast<unsigned>(*q - '0');
        if (q != end_ && *q == '.') {
            for (++q; q != end_ && static_cast<unsigned>(*q - '0') < 10u; ++q, ++digitCount, ++decimals)
                digits = digits * 10 + static_cast<unsigned>(*q - '0');
        }
        if (digitCount > 0 && digitCount <= 18 && digits < (1u << 24) && decimals <= 10 &&
            (q == end_ || isSeparator(*q))) {
            static constexpr float kPowersOfTen[11] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                                       1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
            float magnitude = static_cast<float>(digits) / kPowersOfTen[decimals];
            value = negative ? -magnitude : magnitude;
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
    static bool isSeparator(char c) {
        constexpr uint64_t mask = (1ull << ' ') | (1ull << '\t') | (1ull << '\r') | (1ull << '\n');
        auto u = static_cast<unsigned char>(c);
        return u <= ' ' && ((mask >> u) & 1u);
    }

    const char* p_;
    const char* end_;
    long long line_ = 1;
};

}  // namespace postprocessor
