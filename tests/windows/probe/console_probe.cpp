// Runs the window set-up of the postprocessor's console through
// platform::Console on the process's own console and reports what the
// console holds afterwards, as one line:
//   real=1 buffer=80x300 window=80x63 attribute=30 cursor=0,0 title=[...]
// With standard output redirected it must report real=0 and paint nothing.
// The argument is the number of rows to paint (default: the whole buffer).
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/console.hpp"

int main(int argc, char** argv) {
    platform::Console console = platform::Console::standard();
    platform::ConsoleSize largest = console.largestWindowSize();
    int width = std::min(80, largest.width);
    int height = std::min(63, largest.height);
    int bufferWidth = std::max(width, 80);
    int bufferHeight = std::max(height, 300);
    console.setBufferSize(bufferWidth, bufferHeight);
    console.setWindowRect(0, 0, width - 1, height - 1);
    console.setTextAttribute(0x1E);
    console.setTitle(" Postprocessor KEVORPP version 20111220");
    console.paintBuffer(bufferWidth, argc > 1 ? std::atoi(argv[1]) : bufferHeight);
    console.setCursorPosition(0, 0);

    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info);
    char title[128] = {0};
    GetConsoleTitleA(title, sizeof title);
    auto size = [](int w, int h) { return std::to_string(w) + "x" + std::to_string(h); };
    console.writeLine(
        std::string("real=") + (console.isRealConsole() ? "1" : "0") +
        " buffer=" + size(info.dwSize.X, info.dwSize.Y) +
        " window=" + size(info.srWindow.Right - info.srWindow.Left + 1,
                          info.srWindow.Bottom - info.srWindow.Top + 1) +
        " attribute=" + std::to_string(info.wAttributes) + " cursor=" +
        std::to_string(info.dwCursorPosition.X) + "," + std::to_string(info.dwCursorPosition.Y) +
        " title=[" + title + "]");
    return 0;
}
