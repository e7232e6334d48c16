#include "converter/run.hpp"

#include <gtest/gtest.h>

#include "platform/run_error.hpp"
#include "tests/converter/converter_test_support.hpp"

using namespace converter;
using namespace converter_test;

namespace {

const std::string kLaunchHint =
    "\n The program can be launched only dragging\n an icon onto the icon of the program file.\n"
    " Press Enter and try again!\n";

std::string run(const std::vector<std::string>& args, const std::string& answers = "\n") {
    TestConsole console(answers);
    EXPECT_EQ(runConverter(console.console, args), 0);
    return console.text();
}

// Runs the steps up to the complete settings.
void runToSettings(ConverterRun& r, const std::vector<std::string>& args) {
    selectRawFiles(r, args);
    allocateRunTables(r);
    readRawInput(r);
    settleSettings(r);
}

RawFiles rawFiles(std::vector<std::string> names) {
    RawFiles files;
    files.rawFileCount = static_cast<int>(names.size());
    files.rawFiles = std::move(names);
    return files;
}

}  // namespace

TEST(Launch, NotExactlyOneArgument) {
    EXPECT_EQ(run({}), kLaunchHint);
    EXPECT_EQ(run({"a", "b"}), kLaunchHint);
}

TEST(Launch, NeitherFileNorFolder) {
    TempFolder folder;
    EXPECT_EQ(run({folder.file("missing")}),
              "\n The dragged item should be a file or a folder!\n Press Enter and try again!\n");
}

TEST(Launch, NoRawFiles) {
    TempFolder folder;
    writeText(folder.file("_kva110211.001"), rawText(recordLine(120000, 1)));
    writeText(folder.file("KVA110211.txt"), "");
    const std::string none = "\n No _KVA files! Press Enter!\n";
    EXPECT_EQ(run({folder.file("_kva110211.001")}), none);  // a dragged file must begin with "_KVA"
    EXPECT_EQ(run({folder.file("KVA110211.txt")}), none);
    TempFolder empty("-empty");
    platform::createFolders(empty.file("_KVA110211.001"));  // a folder is no raw file
    EXPECT_EQ(run({empty.folder()}), none);
}

TEST(Launch, TooManyFilesInTheFolder) {
    TempFolder folder;
    writeEmptyRawFiles(folder, 251);
    EXPECT_EQ(run({folder.folder()}), "\nInterrupted <time>\nToo many files, press Enter!\n");
}

TEST(Launch, ADraggedFileIsReadFromItsFolder) {
    TempFolder folder;
    writeText(folder.file("_KVA110211.003"), rawText(recordLine(120000, 1)));
    TestConsole console;
    ConverterRun r(console.console);
    selectRawFiles(r, {folder.file("_KVA110211.003")});
    EXPECT_EQ(r.files.rawFileCount, 1);
    EXPECT_EQ(r.files.rawFiles, std::vector<std::string>{"_KVA110211.003"});
    EXPECT_TRUE(platform::fileExists("_KVA110211.003"));  // the current directory is its folder
    EXPECT_EQ(console.text(), "\n");
}

TEST(RunInput, ReadsSortsAndAsksForTheSettings) {
    TempFolder folder;
    std::string line2 = headerLine2(25, {"0.5", "-0.2", "0.1", "-0.05", "0.4"});
    writeText(folder.file("_KVA110212.001"), rawText(recordLine(10000, 1, 3), "h1", line2, "last titles"));
    writeText(folder.file("_KVA110211.002"), rawText(recordLine(20000, 0, 2), "h1", line2));
    writeText(folder.file("_KVA110211.001"), rawText(recordLine(30000, 1, 1), "h1", line2));
    platform::createFolders(folder.file("KEVORCV.INI"));  // a folder is no settings file
    TestConsole console("1\n5\n10\n2\ndat\n");
    ConverterRun r(console.console);
    runToSettings(r, {folder.folder()});
    EXPECT_EQ(console.text(),
              "\nLaunched <time>\n... Analyzing ...\n"
              "   outputstyle 0 = full range (8 fr/dec) standard data,\n"
              "   outputstyle 1 = clusterregime (16 fr/dec) standard data,\n"
              "   outputstyle 2 = basic data.\n"
              "Legal values of outputstyle = 0, 1 or 2, write correct value: "
              "Legal values of cycleminutes = 0...60, write correct value: "
              "Legal values of zerominutes = 3...600, write correct value: "
              "   extracorrect 0 = no, 1 = dust pulses, 2 = resolution, 3 = both\n"
              "   (see the manual Sections 5.7.3 and A6.8)\n"
              "Legal values of extracorrect = 0..3, write correct value: "
              "Write extension for output filename: ");
    ASSERT_EQ(r.store.recordCount, 3);
    EXPECT_EQ(r.store.record(1)[2], 3);  // _KVA110211.001 first
    EXPECT_EQ(r.store.record(2)[2], 4);
    EXPECT_EQ(r.store.record(3)[2], 5);
    EXPECT_EQ(r.store.kind(0), -1);
    EXPECT_EQ(r.store.kind(-1), -1);
    EXPECT_EQ(r.store.headerLine3, "last titles");
    EXPECT_EQ(r.settings.extracorrect, 2);
    EXPECT_EQ(r.settings.c_inv_n1, -0.2);  // from the raw header, not asked
    EXPECT_EQ(r.settings.z_limit, 0.4);
    EXPECT_EQ(r.settings.extension, "dat");
}

TEST(RunInput, SettingsFileOfTheRawFolderOverridesTheRawHeader) {
    TempFolder folder;
    writeText(folder.file("_KVA110211.001"),
              rawText(recordLine(120000, 1), "h1", headerLine2(25, {"0.5", "-0.2", "0.1", "-0.05", "0.4"})));
    writeSettingsFile(folder.file("KEVORCV.INI"),
                      "outputstyle=2\r\ncycleminutes=0\r\nzerominutes=4\r\nextracorrect=3\r\n"
                      "z_limit=20\r\nc_inv_p2=0\r\nextension=txt\r\n");
    TestConsole console("2\n");
    ConverterRun r(console.console);
    runToSettings(r, {folder.file("_KVA110211.001")});
    EXPECT_EQ(console.text(),
              "\nLaunched <time>\n... Analyzing .\n"
              "Legal values of z_limit = 0.01...10, write correct value: ");
    EXPECT_EQ(r.settings.outputstyle, 2);
    EXPECT_EQ(r.settings.cycleminutes, 0);
    EXPECT_EQ(r.settings.c_inv_p1, 0.1);
    EXPECT_EQ(r.settings.c_inv_p2, 0);
    EXPECT_EQ(r.settings.z_limit, 2);

    // An error in the file ends the run before any question.
    writeSettingsFile(folder.file("KEVORCV.INI"), "colour=3\r\n");
    EXPECT_EQ(run({folder.file("_KVA110211.001")}),
              "\nLaunched <time>\n... Analyzing .\n\nFatal error: wrong keyword in KEVORCV.INI: colour,\n"
              "press ENTER to escape!\n");
}

TEST(RunInput, AbortedHeaderConflictEndsSilently) {
    TempFolder folder;
    writeText(folder.file("_KVA110211.001"), rawText(recordLine(120000, 1), "h1"));
    writeText(folder.file("_KVA110211.002"), rawText(recordLine(120000, 1), "h2"));
    EXPECT_EQ(run({folder.folder()}, "x\no\n"),
              "\nLaunched <time>\n... Analyzing ..\nConflict of headers in " + folder.file("_KVA110211.002") +
                  "\nThe choices: 0 = abort, 1 = use last headers, enter 0 or 1: "
                  "The choices: 0 = abort, 1 = use last headers, enter 0 or 1: ");
}

TEST(RunValues, CycleFractionsDivisorsAndDecimals) {
    TestConsole console;
    ConverterRun r(console.console);
    r.settings.outputstyle = 1;
    r.settings.cycleminutes = 5;
    setCycleAndFractionValues(r);
    fillFieldDivisorAndColumnDecimals(r);
    EXPECT_EQ(r.fractionsPerDecade, 16);
    EXPECT_NEAR(r.mobilityBase, 0.421696503428582, 1e-15);
    EXPECT_DOUBLE_EQ(r.cycleDays, 5 / 1440.0);
    EXPECT_EQ(r.columnDecimals[1], 1);
    EXPECT_EQ(r.columnDecimals[2], 4);
    EXPECT_EQ(r.fieldDivisor[2], 100.0);
    EXPECT_EQ(r.fieldDivisor[75], 10.0);
    EXPECT_EQ(r.fieldDivisor[76], 1.0);
    EXPECT_EQ(r.columnDecimals[77], 0);

    r.settings.outputstyle = 0;
    r.settings.cycleminutes = 0;
    setCycleAndFractionValues(r);
    fillFieldDivisorAndColumnDecimals(r);
    EXPECT_EQ(r.fractionsPerDecade, 8);
    EXPECT_NEAR(r.mobilityBase, 0.0316227766016838, 1e-16);
    EXPECT_EQ(r.columnDecimals[1], 0);
    EXPECT_EQ(r.columnDecimals[2], 5);
    r.settings.cycleminutes = 10;
    fillFieldDivisorAndColumnDecimals(r);
    EXPECT_EQ(r.columnDecimals[1], 0);
    EXPECT_EQ(r.columnDecimals[2], 4);
}

TEST(OutputName, FromTheFirstAndLastRawFile) {
    ConverterSettings s;
    s.outputstyle = 0;
    s.extension = "txt";
    EXPECT_EQ(dailyTableName(rawFiles({"_KVA110211.003"}), s), "KVA110211.txt");
    EXPECT_EQ(dailyTableName(rawFiles({"_KVA1102"}), s), "KVA1102txt");
    EXPECT_EQ(dailyTableName(rawFiles({"/data/_KVA110201.001", "/data/_KVA110228.001"}), s), "KVA110200.txt");
    EXPECT_EQ(dailyTableName(rawFiles({"_KVA110131.001", "_KVA110301.001"}), s), "KVA110000.txt");
    EXPECT_EQ(dailyTableName(rawFiles({"_KVA101231.001", "_KVA110101.001"}), s), "KVA000000.txt");
    s.outputstyle = 2;
    s.extension = "";
    EXPECT_EQ(dailyTableName(rawFiles({"_KVA110211.003"}), s), "~KVA110211.");
    EXPECT_EQ(dailyTableName(rawFiles({"_KVA110211.003", "_KVA110211.004"}), s), "~KVA110200.");
}

TEST(OutputName, DialogueWhileTheFileExists) {
    TempFolder folder;
    platform::setCurrentDirectory(folder.folder());
    writeText("KVA110211.txt", "old");
    writeText("other.txt", "old");
    const std::string prompt = "Choose R (= rewrite) or C (= cancel) or write a proper name: ";
    auto choose = [&](const std::string& answers, std::string& output) {
        TestConsole console(answers);
        ConverterRun r(console.console);
        r.files = rawFiles({"_KVA110211.003"});
        r.settings.outputstyle = 0;
        r.settings.extension = "txt";
        try {
            chooseOutputName(r);
        } catch (...) {
            output = console.text();
            throw;
        }
        output = console.text();
        return r.outputName;
    };
    std::string out;
    EXPECT_EQ(choose("r\n", out), "KVA110211.txt");
    EXPECT_EQ(out, "File KVA110211.txt exists!\n" + prompt);
    EXPECT_EQ(choose("\nother.txt\nnew.txt\n", out), "new.txt");
    EXPECT_EQ(out, "File KVA110211.txt exists!\n" + prompt + "File KVA110211.txt exists!\n" + prompt +
                       "File other.txt exists!\n" + prompt);
    EXPECT_EQ(choose("Rewrite\nR\n", out), "Rewrite");  // only R itself means rewrite
    EXPECT_THROW(choose("c\n", out), platform::RunEnded);
    EXPECT_EQ(out, "File KVA110211.txt exists!\n" + prompt +
                       "Interrupted <time>\nOutput is not saved, press Enter!\n");
    EXPECT_THROW(choose("\n\n", out), platform::RunError);
    EXPECT_EQ(readText("KVA110211.txt"), "old");
}

TEST(OutputName, TableWithoutDataLinesHoldsItsHeader) {
    TempFolder folder;
    platform::setCurrentDirectory(folder.folder());
    TestConsole console;
    ConverterRun r(console.console);
    r.store.headerLine1 = "one";
    r.store.headerLine2 = "two";
    r.store.headerLine3 = "three";
    r.outputName = "KVA110211.txt";
    writeDailyTable(r);
    EXPECT_EQ(readText("KVA110211.txt"), "one\r\ntwo\r\nthree\r\n");
}
