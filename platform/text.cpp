#include "platform/text.hpp"

namespace platform {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void appendHex(std::string& out, unsigned char c) {
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Characters that byte `c` of a path takes when printed.
size_t printedWidth(unsigned char c) { return isControl(c) ? 4 : 1; }

// A byte that continues a UTF-8 character: a cut is not made before it.
bool continuesCharacter(unsigned char c) { return (c & 0xC0) == 0x80; }

void appendPrintable(std::string& out, std::string_view text) {
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (isControl(c))
            appendHex(out, c);
        else
            out += ch;
    }
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

std::string inputExcerpt(std::string_view text, size_t maxChars) {
    const size_t shown = text.size() < maxChars ? text.size() : maxChars;
    std::string out;
    out.reserve(shown + 3);
    for (size_t i = 0; i < shown; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F)
            out += static_cast<char>(c);
        else
            appendHex(out, c);
    }
    if (shown < text.size()) out += "...";
    return out;
}

std::string printablePath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    appendPrintable(out, path);
    return out;
}

std::string shortenedPath(std::string_view path, size_t maxChars) {
    size_t width = 0;
    for (char c : path) width += printedWidth(static_cast<unsigned char>(c));
    static constexpr std::string_view kGap = "...";
    if (width <= maxChars || maxChars < kGap.size() + 2) return printablePath(path);

    // The end: from the last separator on (the whole file name), or, for a
    // name longer than the room, its last part; the beginning gets at least
    // a quarter of the room, so that the drive or the first folders show.
    const size_t room = maxChars - kGap.size();
    const size_t headRoomMin = room / 4;
    size_t nameStart = path.size();
    while (nameStart > 0 && !isSeparator(path[nameStart - 1])) --nameStart;
    if (nameStart > 0) --nameStart;  // with its separator
    size_t tailStart = path.size(), tailWidth = 0;
    while (tailStart > 0) {
        const size_t w = printedWidth(static_cast<unsigned char>(path[tailStart - 1]));
        if (tailWidth + w > room - headRoomMin) break;
        if (tailStart <= nameStart && tailWidth > 0) break;  // the name is whole
        tailWidth += w;
        --tailStart;
    }
    while (tailStart < path.size() && continuesCharacter(static_cast<unsigned char>(path[tailStart]))) {
        tailWidth -= printedWidth(static_cast<unsigned char>(path[tailStart]));
        ++tailStart;
    }
    size_t headEnd = 0, headWidth = 0;
    while (headEnd < tailStart) {
        const size_t w = printedWidth(static_cast<unsigned char>(path[headEnd]));
        if (headWidth + tailWidth + w > room) break;
        headWidth += w;
        ++headEnd;
    }
    while (headEnd > 0 && headEnd < path.size() && continuesCharacter(static_cast<unsigned char>(path[headEnd])))
        --headEnd;

    std::string out;
    out.reserve(maxChars);
    appendPrintable(out, path.substr(0, headEnd));
    out += kGap;
    appendPrintable(out, path.substr(tailStart));
    return out;
}

}  // namespace platform
