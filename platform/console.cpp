#include "platform/console.hpp"

#include <algorithm>
#include <iostream>
#include <istream>
#include <ostream>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace platform {

Console::Console(std::istream& in, std::ostream& out, bool realConsole)
    : in_(in), out_(out), realConsole_(realConsole) {}

Console Console::standard() {
#ifdef _WIN32
    DWORD mode = 0;
    bool real = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
#else
    bool real = isatty(STDOUT_FILENO) == 1;
#endif
    return Console(std::cin, std::cout, real);
}

void Console::writeLine(std::string_view text) {
    out_ << text << '\n';
}

void Console::write(std::string_view text) { out_ << text; }

void Console::writePrompt(std::string_view text) {
    out_ << text;
    out_.flush();
}

void Console::endLine() { out_ << '\n'; }

void Console::flush() { out_.flush(); }

bool Console::readLine(std::string& answer) {
    answer.clear();
    out_.flush();
    if (ended_ || !std::getline(in_, answer)) {
        ended_ = true;
        answer.clear();
        return false;
    }
    if (!answer.empty() && answer.back() == '\r') answer.pop_back();
    return true;
}

std::string Console::readLine() {
    std::string answer;
    readLine(answer);
    return answer;
}

void Console::waitForEnter() {
    std::string ignored;
    readLine(ignored);
}

#ifdef _WIN32

void Console::setTitle(std::string_view title) {
    if (!realConsole_) return;
    std::string text(title);
    SetConsoleTitleA(text.c_str());
}

void Console::setTextAttribute(int attribute) {
    if (!realConsole_) return;
    out_.flush();
    SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), static_cast<WORD>(attribute));
}

ConsoleSize Console::largestWindowSize() {
    if (!realConsole_) return {};
    COORD size = GetLargestConsoleWindowSize(GetStdHandle(STD_OUTPUT_HANDLE));
    return {size.X, size.Y};
}

void Console::setBufferSize(int width, int height) {
    if (!realConsole_ || width <= 0 || height <= 0) return;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    COORD size{static_cast<SHORT>(width), static_cast<SHORT>(height)};
    if (SetConsoleScreenBufferSize(out, size)) return;
    // The buffer can't be narrower or lower than the window (a console
    // opened 120 columns wide, say): fit the window into the new buffer
    // first, then size the buffer again.
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(out, &info)) return;
    SMALL_RECT fitted{0, 0,
                      static_cast<SHORT>(std::min<int>(info.srWindow.Right - info.srWindow.Left, width - 1)),
                      static_cast<SHORT>(std::min<int>(info.srWindow.Bottom - info.srWindow.Top, height - 1))};
    SetConsoleWindowInfo(out, TRUE, &fitted);
    SetConsoleScreenBufferSize(out, size);
}

void Console::setWindowRect(int left, int top, int right, int bottom) {
    if (!realConsole_) return;
    SMALL_RECT rect{static_cast<SHORT>(left), static_cast<SHORT>(top), static_cast<SHORT>(right),
                    static_cast<SHORT>(bottom)};
    SetConsoleWindowInfo(GetStdHandle(STD_OUTPUT_HANDLE), TRUE, &rect);
}

void Console::paintBuffer(int width, int rows) {
    if (!realConsole_ || width <= 0) return;
    std::string blanks(static_cast<size_t>(width), ' ');
    for (int r = 0; r < rows; ++r) out_ << blanks;
    out_.flush();
}

void Console::setCursorPosition(int column, int row) {
    if (!realConsole_) return;
    out_.flush();
    COORD at{static_cast<SHORT>(column), static_cast<SHORT>(row)};
    SetConsoleCursorPosition(GetStdHandle(STD_OUTPUT_HANDLE), at);
}

#else

void Console::setTitle(std::string_view title) {
    if (!realConsole_) return;
    out_ << "\033]0;" << title << '\007';
    out_.flush();
}

void Console::setTextAttribute(int attribute) {
    if (!realConsole_) return;
    // Windows colour bits (blue 1, green 2, red 4) to ANSI colour numbers
    // (red 1, green 2, blue 4).
    auto ansi = [](int bits) { return ((bits & 4) ? 1 : 0) | (bits & 2) | ((bits & 1) ? 4 : 0); };
    int fg = attribute & 0x0F;
    int bg = (attribute >> 4) & 0x0F;
    out_ << "\033[" << ((fg & 8) ? 90 : 30) + ansi(fg) << ';' << ((bg & 8) ? 100 : 40) + ansi(bg)
         << 'm';
    out_.flush();
}

// A terminal has no buffer of its own to size or paint: these stay silent.
ConsoleSize Console::largestWindowSize() { return {}; }
void Console::setBufferSize(int, int) {}
void Console::setWindowRect(int, int, int, int) {}
void Console::paintBuffer(int, int) {}
void Console::setCursorPosition(int, int) {}

#endif

}  // namespace platform
