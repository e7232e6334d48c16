#include "converter/input/settings_file.hpp"

#include <gtest/gtest.h>

#include "platform/run_error.hpp"
#include "tests/converter/converter_test_support.hpp"

using namespace converter;
using namespace converter_test;

namespace {

const std::string kOutputstyleLines =
    "   outputstyle 0 = full range (8 fr/dec) standard data,\n"
    "   outputstyle 1 = clusterregime (16 fr/dec) standard data,\n"
    "   outputstyle 2 = basic data.\n";
const std::string kExtracorrectLines =
    "   extracorrect 0 = no, 1 = dust pulses, 2 = resolution, 3 = both\n"
    "   (see the manual Sections 5.7.3 and A6.8)\n";

std::string question(const std::string& text) {
    return "Legal values of " + text + ", write correct value: ";
}

// Settings that need no question.
ConverterSettings complete() {
    ConverterSettings s;
    s.outputstyle = 0;
    s.cycleminutes = 10;
    s.zerominutes = 10;
    s.extracorrect = 0;
    s.extension = "txt";
    return s;
}

struct SettingsFile : ::testing::Test {
    TempFolder folder;
    ConverterSettings settings;
    std::string path() const { return folder.file("KEVORCV.INI"); }
    // Reads the file; returns the console output.
    std::string read(const std::string& lines, int days = 0) {
        writeSettingsFile(path(), lines, days);
        TestConsole console("\n");
        readSettingsFile(console.console, path(), settings);
        return console.text();
    }
    // Reads a file that must end with the fatal-error report of `text`.
    void expectFatal(const std::string& lines, const std::string& text, int days = 0) {
        writeSettingsFile(path(), lines, days);
        TestConsole console("\n");
        EXPECT_THROW(readSettingsFile(console.console, path(), settings), platform::RunEnded) << lines;
        EXPECT_EQ(console.text(), "\nFatal error: " + text + ",\npress ENTER to escape!\n") << lines;
    }
};

}  // namespace

TEST_F(SettingsFile, AssignmentsCommentsAndRounding) {
    EXPECT_EQ(read("outputstyle=1.5 standard data\r\n"
                   "\r\n"
                   " a comment line without assignment\r\n"
                   "cycleminutes=7.5\r\n"
                   "zerominutes=2.5e1\r\n"
                   "extracorrect=-0.5\r\n"
                   "c_inv_n2=-.15\r\n"
                   "c_inv_n1=+1E-1\r\n"
                   "c_inv_p1=3\r\n"
                   "c_inv_p1=4.\r\n"
                   "c_inv_p2=1e999\r\n"
                   "z_limit=0\r\n"
                   "extension=txt  the comment\r\n"),
              "");
    EXPECT_EQ(settings.outputstyle, 2);
    EXPECT_EQ(settings.cycleminutes, 8);
    EXPECT_EQ(settings.zerominutes, 25);
    EXPECT_EQ(settings.extracorrect, 0);
    EXPECT_EQ(settings.c_inv_n2, -0.15);
    EXPECT_EQ(settings.c_inv_n1, 0.1);
    EXPECT_EQ(settings.c_inv_p1, 4);  // the last assignment wins
    EXPECT_TRUE(settings.c_inv_p2 > 10);
    EXPECT_EQ(settings.z_limit, 0);
    EXPECT_EQ(settings.extension, "txt");

    // extension is taken as it stands, also empty; LF-only lines work too.
    read("extension=\n a comment\n");
    EXPECT_EQ(settings.extension, "");
}

TEST_F(SettingsFile, ErrorsEndWithTheFatalErrorReport) {
    expectFatal("outputstyle=1\r\n;comment without assignment\r\n",
                "an assignment line does not consist of = in KEVORCV.INI");
    expectFatal("\toutputstyle 1\r\n", "an assignment line does not consist of = in KEVORCV.INI");
    expectFatal("colour=3\r\n", "wrong keyword in KEVORCV.INI: colour");
    expectFatal("colour=red\r\n", "wrong number presentation in KEVORCV.INI: red");
    expectFatal("outputstyle = 1\r\n", "wrong number presentation in KEVORCV.INI: ");
    expectFatal("outputstyle=1=2\r\n", "wrong number presentation in KEVORCV.INI: 1=2");
    expectFatal("Outputstyle=1\r\n", "wrong keyword in KEVORCV.INI: Outputstyle");
    expectFatal("z_limit=inf\r\n", "wrong number presentation in KEVORCV.INI: inf");
    expectFatal("z_limit=0x10\r\n", "wrong number presentation in KEVORCV.INI: 0x10");
    expectFatal("outputstyle=1\r\n", "KEVORCV.INI header contains a wrong revision date", 1);
    expectFatal("outputstyle=1\r\n", "KEVORCV.INI header contains a wrong revision date", -1);
}

TEST_F(SettingsFile, RevisionDateIsTakenFromTheFirst2AfterTheFirstDot) {
    writeText(path(), "x");
    std::string date = modificationDate(path());
    // Before the dot nothing counts; after it the first "2" starts the date.
    writeText(path(), "2 KEVORCV.INI rev " + date + " 1\r\noutputstyle=1\r\n");
    TestConsole console;
    if (modificationDate(path()) != date) GTEST_SKIP() << "written across midnight";
    readSettingsFile(console.console, path(), settings);
    EXPECT_EQ(settings.outputstyle, 1);

    // Without a "2" after the dot the first 8 characters from the dot count.
    writeText(path(), "header.no digit two\r\n");
    TestConsole failing("\n");
    EXPECT_THROW(readSettingsFile(failing.console, path(), settings), platform::RunEnded);
}

TEST_F(SettingsFile, AWholeNumberBeyondRangeIsARunTimeError) {
    writeSettingsFile(path(), "outputstyle=1\r\ncycleminutes=1e10\r\n");
    TestConsole console;
    try {
        readSettingsFile(console.console, path(), settings);
        ADD_FAILURE();
    } catch (const platform::RunError& e) {
        EXPECT_NE(std::string(e.what()).find("KEVORCV.INI, line 3"), std::string::npos) << e.what();
    }
}

TEST(Completion, AsksEverythingNotGivenInOrder) {
    TestConsole console(
        "-1\n1\n7\n0\n2\n600\n4\n3\n"
        "11\n-10\n\n  0.5 rest of the line\n-0.5\n10.5\n10\n0.001\n0.01\n"
        "my ext\n");
    ConverterSettings s;
    completeSettings(console.console, s);
    EXPECT_EQ(console.text(), kOutputstyleLines + question("outputstyle = 0, 1 or 2") + kOutputstyleLines +
                                  question("outputstyle = 0, 1 or 2") + question("cycleminutes = 0...60") +
                                  question("cycleminutes = 0...60") + question("zerominutes = 3...600") +
                                  question("zerominutes = 3...600") + kExtracorrectLines +
                                  question("extracorrect = 0..3") + kExtracorrectLines +
                                  question("extracorrect = 0..3") + question("c_inv_n2 = -10...+10") +
                                  question("c_inv_n2 = -10...+10") + question("c_inv_n1 = -10...+10") +
                                  question("c_inv_p1 = -10...+10") + question("c_inv_p2 = -10...+10") +
                                  question("c_inv_p2 = -10...+10") + question("z_limit = 0.01...10") +
                                  question("z_limit = 0.01...10") + "Write extension for output filename: ");
    EXPECT_EQ(s.outputstyle, 1);
    EXPECT_EQ(s.cycleminutes, 0);
    EXPECT_EQ(s.zerominutes, 600);
    EXPECT_EQ(s.extracorrect, 3);
    EXPECT_EQ(s.c_inv_n2, -10);
    EXPECT_EQ(s.c_inv_n1, 0.5);
    EXPECT_EQ(s.c_inv_p1, -0.5);
    EXPECT_EQ(s.c_inv_p2, 10);
    EXPECT_EQ(s.z_limit, 0.01);
    EXPECT_EQ(s.extension, "my ext");
}

TEST(Completion, AsksOnlyWhatIsMissingOrIllegal) {
    ConverterSettings s = complete();
    s.cycleminutes = 10;
    s.zerominutes = 5;  // less than the cycle
    s.extracorrect = 2;
    s.c_inv_n2 = 0.5;  // as from the raw header
    s.c_inv_n1 = -0.2;
    s.c_inv_p1 = 0.1;
    s.c_inv_p2 = -0.05;
    s.z_limit = 0;
    TestConsole console("9\n10\n10\n");
    completeSettings(console.console, s);
    EXPECT_EQ(console.text(), question("zerominutes = 3...600") + question("zerominutes = 3...600") +
                                  question("z_limit = 0.01...10"));
    EXPECT_EQ(s.zerominutes, 10);
    EXPECT_EQ(s.z_limit, 10);

    // Dust pulses only: the coefficients are never asked, whatever they are.
    ConverterSettings dust = complete();
    dust.extracorrect = 1;
    dust.extension = "";
    TestConsole quiet;
    completeSettings(quiet.console, dust);
    EXPECT_EQ(quiet.text(), "");
}

TEST(Completion, EmptyExtensionAnswerAndEndOfInputThere) {
    ConverterSettings s = complete();
    s.extension = "***";
    TestConsole console("\n");
    completeSettings(console.console, s);
    EXPECT_EQ(s.extension, "");

    s.extension = "***";
    TestConsole ended;
    completeSettings(ended.console, s);
    EXPECT_EQ(s.extension, "");
}

TEST(Completion, NumberAnswersThatAreNoNumberOrMissingAreRunTimeErrors) {
    struct Case {
        std::string answers, cause;
    } cases[] = {
        {"abc\n", "the answer \"abc\" to the question \"Legal values of outputstyle = 0, 1 or 2, write"},
        {"1.0\n", "is not a whole number"},
        {"99999999999\n", "is not a whole number"},
        {"1x\n", "\"1x\""},
        {"", "the input ended at the question \"Legal values of outputstyle"},
        {"\n  \n\t\n", "the input ended"},
        {"-5\n", "the input ended"},  // asked again, then the input ends
        {"1\n0\n10\n2\nnan\n", "the answer \"nan\" to the question \"Legal values of c_inv_n2 = -10...+10"},
        {"1\n0\n10\n2\n1,5\n", "is not a real number"},
    };
    for (const Case& c : cases) {
        TestConsole console(c.answers);
        ConverterSettings s;
        try {
            completeSettings(console.console, s);
            ADD_FAILURE() << c.answers;
        } catch (const platform::RunError& e) {
            EXPECT_NE(std::string(e.what()).find(c.cause), std::string::npos) << e.what();
        }
    }
}
