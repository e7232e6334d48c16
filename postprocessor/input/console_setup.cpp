#include "postprocessor/input/console_setup.hpp"

#include <algorithm>

namespace postprocessor {

ConsoleLayout planConsoleLayout(platform::ConsoleSize largest, int minBufferWidth, int windowWidth,
                                int minBufferHeight, int windowHeight) {
    ConsoleLayout layout;
    layout.windowWidth = std::min(windowWidth, largest.width);
    layout.windowHeight = std::min(windowHeight, largest.height);
    layout.bufferWidth = std::max(layout.windowWidth, minBufferWidth);
    layout.bufferHeight = std::max(layout.windowHeight, minBufferHeight);
    return layout;
}

void setUpConsole(platform::Console& console, int textAttribute, int minBufferWidth,
                  int windowWidth, int minBufferHeight, int windowHeight) {
    ConsoleLayout layout = planConsoleLayout(console.largestWindowSize(), minBufferWidth,
                                             windowWidth, minBufferHeight, windowHeight);
    console.setBufferSize(layout.bufferWidth, layout.bufferHeight);
    console.setWindowRect(0, 0, layout.windowWidth - 1, layout.windowHeight - 1);
    console.setTextAttribute(textAttribute);
    console.setTitle(kBanner);
    console.paintBuffer(layout.bufferWidth, layout.bufferHeight);
    console.setCursorPosition(0, 0);
}

}  // namespace postprocessor
