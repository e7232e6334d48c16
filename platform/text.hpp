// 8-bit text helpers: letter case of the ASCII letters only, as the
// programs' name tests have always worked, input as messages quote it, and
// paths as every program prints them.
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
std::string inputExcerpt(std::string_view text, size_t maxChars = kExcerptChars);

// A path (or a file name) as every program prints it, on the console and in
// its error lines: the control bytes (below 0x20, and 0x7F) written as \xNN,
// so that no folder name can set the window title, hide the rest of the
// output or begin a line of its own; every other byte kept, so that names
// in the user's language stay readable. Text without control bytes comes
// back as it was (escaping twice changes nothing).
std::string printablePath(std::string_view path);

// printablePath, shortened in the middle to at most `maxChars` characters
// when it is longer: the beginning of the path, "...", and its end with the
// whole file name (or the end of a name longer than the room). For error
// lines, where a typed answer may have made up a path of any length.
inline constexpr size_t kPathChars = 260;
std::string shortenedPath(std::string_view path, size_t maxChars = kPathChars);

}  // namespace platform
