// The console window of the postprocessor: size, colours, title and a
// freshly painted buffer.
#pragma once

#include <string_view>

#include "platform/console.hpp"

namespace postprocessor {

inline constexpr std::string_view kBanner = " Postprocessor KEVORPP version 20111220";

// Window and buffer sizes for a screen that allows at most `largest`.
struct ConsoleLayout {
    int windowWidth = 0;
    int windowHeight = 0;
    int bufferWidth = 0;
    int bufferHeight = 0;
};

ConsoleLayout planConsoleLayout(platform::ConsoleSize largest, int minBufferWidth, int windowWidth,
                                int minBufferHeight, int windowHeight);

// Sizes buffer and window, sets colours and title, paints the buffer in the
// new colours and puts the cursor top left. On anything but a real console
// window the calls do nothing.
void setUpConsole(platform::Console& console, int textAttribute, int minBufferWidth,
                  int windowWidth, int minBufferHeight, int windowHeight);

}  // namespace postprocessor
