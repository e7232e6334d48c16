#include "platform/console.hpp"

#include <algorithm>
#include <iostream>
#include <istream>
#include <ostream>

#include "platform/interrupts.hpp"

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
    return Console(std::cin, std::cout, real, true);
}

Console::Console(std::istream& in, std::ostream& out, bool realConsole, bool processConsole)
    : in_(in), out_(out), realConsole_(realConsole), processConsole_(processConsole) {}

Console::~Console() { restoreTerminal(); }

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
    if (!titled_) {
        char before[1024] = {0};
        DWORD length = GetConsoleTitleA(before, sizeof before);
        originalTitle_.assign(before, std::min<size_t>(length, sizeof before - 1));
        titled_ = true;
    }
    std::string text(title);
    SetConsoleTitleA(text.c_str());
    holdRestoreForInterrupts();
}

void Console::setTextAttribute(int attribute) {
    if (!realConsole_) return;
    out_.flush();
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!coloured_) {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (GetConsoleScreenBufferInfo(out, &info)) {
            originalAttribute_ = info.wAttributes;
            coloured_ = true;
        }
    }
    SetConsoleTextAttribute(out, static_cast<WORD>(attribute));
    holdRestoreForInterrupts();
}

void Console::restoreTerminal() {
    if (!realConsole_ || (!coloured_ && !titled_)) return;
    out_.flush();
    if (coloured_) SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), originalAttribute_);
    if (titled_ && !originalTitle_.empty()) SetConsoleTitleA(originalTitle_.c_str());
    coloured_ = titled_ = false;
    if (processConsole_) releaseConsoleRestore();
}

void Console::holdRestoreForInterrupts() {
    if (processConsole_)
        holdConsoleRestore(originalAttribute_, coloured_, titled_ ? std::string_view(originalTitle_) : "");
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

// The title the terminal had is pushed onto its title stack (xterm's
// window operation 22) before the first change and popped (23) at the end;
// a terminal without that stack ignores both.
constexpr std::string_view kPushTitle = "\033[22;0t";
constexpr std::string_view kPopTitle = "\033[23;0t";
constexpr std::string_view kDefaultColours = "\033[0m";

void Console::setTitle(std::string_view title) {
    if (!realConsole_) return;
    if (!titled_) {
        out_ << kPushTitle;
        out_.flush();
        titled_ = true;
        holdRestoreForInterrupts();
    }
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
    if (!coloured_) {
        coloured_ = true;
        holdRestoreForInterrupts();
    }
}

static std::string restoreSequence(bool coloured, bool titled) {
    std::string sequence;
    if (coloured) sequence += kDefaultColours;
    if (titled) sequence += kPopTitle;
    return sequence;
}

void Console::restoreTerminal() {
    if (!realConsole_ || (!coloured_ && !titled_)) return;
    out_ << restoreSequence(coloured_, titled_);
    out_.flush();
    coloured_ = titled_ = false;
    if (processConsole_) releaseConsoleRestore();
}

void Console::holdRestoreForInterrupts() {
    if (processConsole_) holdConsoleRestore(restoreSequence(coloured_, titled_));
}

// A terminal has no buffer of its own to size or paint: these stay silent.
ConsoleSize Console::largestWindowSize() { return {}; }
void Console::setBufferSize(int, int) {}
void Console::setWindowRect(int, int, int, int) {}
void Console::paintBuffer(int, int) {}
void Console::setCursorPosition(int, int) {}

#endif

}  // namespace platform
