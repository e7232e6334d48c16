#include "platform/text.hpp"

namespace platform {

std::string inputExcerpt(std::string_view text, size_t maxChars) {
    static constexpr char kHex[] = "0123456789abcdef";
    const size_t shown = text.size() < maxChars ? text.size() : maxChars;
    std::string out;
    out.reserve(shown + 3);
    for (size_t i = 0; i < shown; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    if (shown < text.size()) out += "...";
    return out;
}

}  // namespace platform
