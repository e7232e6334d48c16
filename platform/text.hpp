// 8-bit text helpers: letter case of the ASCII letters only, as the
// programs' name tests have always worked.
#pragma once

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

}  // namespace platform
