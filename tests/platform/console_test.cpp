#include "platform/console.hpp"

#include <gtest/gtest.h>

#include <sstream>

using namespace platform;

TEST(Console, DrivesADialogueFromStrings) {
    std::istringstream in("first\r\nsecond\n\nlast");
    std::ostringstream out;
    Console console(in, out);
    console.writeLine(" Hello");
    console.writePrompt("answer: ");
    EXPECT_EQ(console.readLine(), "first");  // CR of a CR LF answer dropped
    std::string answer;
    EXPECT_TRUE(console.readLine(answer));
    EXPECT_EQ(answer, "second");
    console.waitForEnter();  // the empty line
    EXPECT_TRUE(console.readLine(answer));
    EXPECT_EQ(answer, "last");
    EXPECT_FALSE(console.inputEnded());
    EXPECT_EQ(out.str(), " Hello\nanswer: ");
}

TEST(Console, EndOfInputGivesEmptyAnswersAndIsReported) {
    std::istringstream in("only\n");
    std::ostringstream out;
    Console console(in, out);
    std::string answer;
    EXPECT_TRUE(console.readLine(answer));
    EXPECT_FALSE(console.readLine(answer));
    EXPECT_EQ(answer, "");
    EXPECT_TRUE(console.inputEnded());
    console.waitForEnter();  // just returns
    EXPECT_FALSE(console.readLine(answer));
}

TEST(Console, WindowDressingNeverReachesAPipe) {
    std::istringstream in;
    std::ostringstream out;
    Console console(in, out, false);
    console.setTitle("KEVORCV version 20110211");
    console.setTextAttribute(0x1E);
    console.setBufferSize(80, 300);
    console.setWindowRect(0, 0, 79, 62);
    console.paintBuffer(80, 300);
    console.setCursorPosition(0, 0);
    EXPECT_EQ(out.str(), "");
    ConsoleSize size = console.largestWindowSize();
    EXPECT_EQ(size.width, 0);
}

#ifndef _WIN32
TEST(Console, OnATerminalTitleAndColoursAreEscapeSequences) {
    std::istringstream in;
    std::ostringstream out;
    Console console(in, out, true);
    console.setTitle("T");
    console.setTextAttribute(0x1E);  // bright yellow on blue
    console.paintBuffer(80, 300);    // no painting of a terminal
    EXPECT_EQ(out.str(), "\033[22;0t\033]0;T\007\033[93;44m");
}
#endif
