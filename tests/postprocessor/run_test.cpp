#include "postprocessor/run.hpp"

#include <gtest/gtest.h>


#include "platform/text.hpp"
#include "postprocessor/input/console_setup.hpp"
#include "tests/postprocessor/input/run_harness.hpp"

using namespace postprocessor;
using kevor_test::ConsoleRun;
using kevor_test::endsWithClosing;
using kevor_test::TempFolder;

namespace {

const double kDec20 = 40897;  // 2011-12-20
bool startsWithLaunchHeader(const std::string& transcript) {
    return kevor_test::hasShape(std::string_view(transcript).substr(0, 33), " Date 9999-99-99,  time 99:99:99\n");
}

std::string afterLaunchHeader(const std::string& transcript) { return transcript.substr(transcript.find('\n') + 1); }

}  // namespace

TEST(ConsoleSetUp, TheBufferIsAtLeast80By300AndTheWindowFitsTheScreen) {
    ConsoleLayout large = planConsoleLayout({200, 100}, 80, 80, 300, 63);
    EXPECT_EQ(large.windowWidth, 80);
    EXPECT_EQ(large.windowHeight, 63);
    EXPECT_EQ(large.bufferWidth, 80);
    EXPECT_EQ(large.bufferHeight, 300);
    ConsoleLayout low = planConsoleLayout({200, 50}, 80, 80, 300, 63);
    EXPECT_EQ(low.windowHeight, 50);
    EXPECT_EQ(low.bufferHeight, 300);
    ConsoleLayout small = planConsoleLayout({60, 40}, 80, 80, 300, 63);
    EXPECT_EQ(small.windowWidth, 60);
    EXPECT_EQ(small.bufferWidth, 80);

    std::istringstream in;
    std::ostringstream out;
    platform::Console pipe(in, out, false);
    setUpConsole(pipe, 30, 80, 80, 300, 63);
    EXPECT_EQ(out.str(), "");  // nothing reaches a pipe
}

TEST(Run, WithoutArgumentsEndsAfterTheLaunchHeaderAndTheHint) {
    ConsoleRun s("\n", {});
    EXPECT_EQ(runPostprocessor(s.run), 0);
    std::string t = s.transcript();
    EXPECT_TRUE(startsWithLaunchHeader(t)) << t;
    EXPECT_EQ(afterLaunchHeader(t).rfind("\n The program can be launched only dragging a proper icon\n", 0), 0u);
    EXPECT_TRUE(endsWithClosing(t, "(or a pair of icons) onto the icon of the program file."));
}

TEST(Run, SetsTheStartValues) {
    ConsoleRun one("", {"/nowhere/KVA111220.TXT"});
    EXPECT_EQ(runPostprocessor(one.run), 0);  // "Nothing to process!"
    EXPECT_EQ(one.run.variables.variableDecimals[61], 1);
    EXPECT_NEAR(one.run.logDiameterGrid[1], -0.71956, 1e-5);
    EXPECT_NEAR(one.run.logDiameterGrid[4], 0.14391, 1e-5);
    EXPECT_NEAR(one.run.logDiameterGrid[10], 1.87085, 1e-5);

    ConsoleRun two("", {"/nowhere/KVA111220.TXT", "/nowhere/KVA111221.TXT"});
    EXPECT_EQ(runPostprocessor(two.run), 0);
    EXPECT_EQ(two.run.variables.variableDecimals[61], 0);
    EXPECT_TRUE(endsWithClosing(two.transcript(), "Nothing to process!"));
}

TEST(Run, AnEmptyIntervalEndsAfterTheWholeDialogue) {
    TempFolder dir;
    dir.write("KVA111220.TXT", kevor_test::minuteTable(kDec20, 10));
    dir.write("KVA111221.TXT", kevor_test::minuteTable(kDec20 + 1, 10));
    ConsoleRun s("111222\n111223\n0\n0\n0\n0\n10\n0\nn\nx\n1-78\nout\n\n", {dir.path()});
    EXPECT_EQ(runPostprocessor(s.run), 0);
    EXPECT_TRUE(endsWithClosing(s.transcript(), "No data in asked date interval"));
    EXPECT_EQ(s.run.params.outputLineCount, 2 * 144);
}

TEST(Run, TheFrontEndReadsDiscoversAsksAndLoadsInOrder) {
    // Of two items the one whose name begins with KVA is processed, here a
    // folder.
    TempFolder temp;
    std::string data = temp.file("kvaData");
    std::string folder = platform::toUpperAscii(data) + kevor_test::kSeparator;
    temp.write("kvaData/KVA111221.TXT", kevor_test::minuteTable(kDec20 + 1, 30, 200));
    temp.write("kvaData/KVA111220.TXT", kevor_test::minuteTable(kDec20 + 0.5, 30, 100));
    temp.write("kvaData/diameters.txt", "1.5\r\n");
    ConsoleRun s("111220\n111221\n0\n0\n0\n0\n10\n0\nn\nx\n1-78,81\nout.txt\n\n", {"other", data});
    try {
        runPostprocessor(s.run);
    } catch (const platform::RunError&) {
        // Where the processing stages are not built, the run ends there.
    }
    std::string t = s.transcript();
    ASSERT_TRUE(startsWithLaunchHeader(t)) << t;
    std::string expected = " dragged item is folder " + folder.substr(0, folder.size() - 1) +
                           "\n NB: special regime initiated by 2 dragged files: var61 = n!\n"
                           " found 2 KVA-files:\n" +
                           folder + "KVA111220.TXT\n" + folder + "KVA111221.TXT\n" +
                           " found a file of 1 extra diameters:\n 1.50\n\n"
                           " Please answer some questions below.";
    EXPECT_EQ(afterLaunchHeader(t).rfind(expected, 0), 0u) << t;
    EXPECT_NE(t.find(" Please choose name for the output file = "), std::string::npos);

    const PostprocessorRun& run = s.run;
    EXPECT_TRUE(run.input.twoFileRegime);
    EXPECT_EQ(run.variables.variableDecimals[61], 0);
    EXPECT_EQ(run.variables.variableNames[61], "n");
    EXPECT_EQ(run.variables.variableNames[81], "ED+1.500");
    EXPECT_EQ(run.params.selectedVariableCount, 79);
    EXPECT_EQ(run.params.outputFileName.real, data + kevor_test::kSeparator + "out.txt");
    ASSERT_EQ(run.data.lineCount, 60);
    EXPECT_EQ(run.data.value(1, 7), 100.0f);
    EXPECT_EQ(run.data.value(60, 7), 229.0f);
    EXPECT_FALSE(run.data.regularSpacing[1]);
    EXPECT_TRUE(run.data.regularSpacing[2]);
    EXPECT_FALSE(run.data.regularSpacing[30]);  // before the gap to the next day
    EXPECT_FALSE(run.data.regularSpacing[31]);
    EXPECT_TRUE(run.data.regularSpacing[32]);
    EXPECT_FALSE(run.data.regularSpacing[60]);
}
