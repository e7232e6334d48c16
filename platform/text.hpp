// 8-bit text helpers: letter case of the ASCII letters only, as the
// programs' name tests have always worked, and input as messages quote it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

inline char toUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char toLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

inline std::string toUpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = toUpperAscii(c);
    return out;
}

inline std::string toLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = toLowerAscii(c);
    return out;
}

// A piece of input (a raw field, a table cell, a settings value, an answer)
// as a message quotes it: at most `maxChars` of its characters, followed by
// "..." when there are more, with control characters and bytes outside
// ASCII written as \xNN. A megabyte of garbage thus gives a short line, and
// nothing read from a file reaches the terminal as a control sequence.
inline constexpr size_t kExcerptChars = 40;
// For paths in messages, which a typed answer may have made up.
inline constexpr size_t kPathExcerptChars = 260;
std::string inputExcerpt(std::string_view text, size_t maxChars = kExcerptChars);

}  // namespace platform
