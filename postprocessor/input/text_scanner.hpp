// Reading numbers and lines from a text file held in memory, the way the
// daily tables and diameters.txt are read: numbers are separated by blanks,
// TABs and line ends, and a line's remainder can be skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

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
