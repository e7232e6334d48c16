#include "postprocessor/input/discovery.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "platform/text.hpp"
#include "tests/postprocessor/input/run_harness.hpp"

using namespace postprocessor;
using kevor_test::closing;
using kevor_test::ConsoleRun;
using kevor_test::TempFolder;

namespace {

const std::string kTable = kevor_test::minuteTable(40897, 3);  // 2011-12-20

std::string upper(const std::string& path) { return platform::toUpperAscii(path); }

// Command line and discovery of one run; `ended` tells whether it stopped.
struct Discovery {
    explicit Discovery(std::vector<std::string> args, const std::string& answers = "\n")
        : session(std::make_unique<ConsoleRun>(answers, std::move(args))) {
        ended = session->ends([](PostprocessorRun& run) {
            readCommandLine(run);
            discoverInput(run);
        });
    }
    const InputSet& input() const { return session->run.input; }
    std::string transcript() const { return session->transcript(); }

    std::unique_ptr<ConsoleRun> session;
    bool ended = false;
};

}  // namespace

TEST(CommandLine, WithoutItemsTheRunEndsWithTheLaunchHint) {
    Discovery d({});
    EXPECT_TRUE(d.ended);
    EXPECT_EQ(d.transcript().rfind("\n The program can be launched only dragging a proper icon\n" +
                                       closing("(or a pair of icons) onto the icon of the program file."),
                                   0),
              0u);
}

TEST(CommandLine, OfTwoItemsTheFirstWhoseNameBeginsWithKvaIsProcessed) {
    TempFolder dir;
    std::string a = dir.write("KVA111220.TXT", kTable);
    std::string b = dir.write("KVA111221.TXT", kTable);
    std::string other = dir.write("notes.txt", "x");

    Discovery both({a, b});
    EXPECT_FALSE(both.ended);
    EXPECT_TRUE(both.input().twoFileRegime);
    EXPECT_EQ(both.input().chosenItem.real, a);
    EXPECT_EQ(both.transcript(), " dragged item is file " + upper(a) +
                                     "\n NB: special regime initiated by 2 dragged files: var61 = n!\n"
                                     " found 1 KVA-files:\n" + upper(a) + "\n\n");

    Discovery second({other, b, a});  // a third item is ignored
    EXPECT_EQ(second.input().chosenItem.real, b);
    EXPECT_TRUE(second.input().twoFileRegime);

    Discovery neither({other, dir.path()});
    EXPECT_TRUE(neither.ended);
    EXPECT_EQ(neither.transcript().rfind(" dragged item is unknown \n"
                                         " NB: special regime initiated by 2 dragged files: var61 = n!\n" +
                                             closing("Nothing to process!"),
                                         0),
              0u);
}

TEST(Discovery, ALowerCaseFileIsAcceptedAndShownInUpperCase) {
    TempFolder dir;
    std::string path = dir.write("kva111220.txt", kTable);
    Discovery d({path});
    ASSERT_FALSE(d.ended);
    EXPECT_FALSE(d.input().twoFileRegime);
    ASSERT_EQ(d.input().inputFileCount, 1);
    EXPECT_EQ(d.input().inputFiles[0].real, path);
    EXPECT_EQ(d.input().inputFiles[0].display, upper(path));
    EXPECT_EQ(d.input().workFolder.real, dir.folder());
    EXPECT_EQ(d.input().workFolder.display, upper(dir.folder()));
    EXPECT_EQ(d.transcript(), " dragged item is file " + upper(path) + "\n found 1 KVA-files:\n" + upper(path) + "\n\n");
}

TEST(Discovery, AFileWithoutThePrefixOrAMissingItemIsRefused) {
    TempFolder dir;
    Discovery notKva({dir.write("_KVA111220.txt", "raw")});
    EXPECT_TRUE(notKva.ended);
    EXPECT_NE(notKva.transcript().find("\n" + closing("This is not a KVA-file!")), std::string::npos);

    Discovery missing({dir.file("KVA111220.TXT")});
    EXPECT_TRUE(missing.ended);
    EXPECT_EQ(missing.transcript().rfind(" dragged item is unknown " + upper(dir.file("KVA111220.TXT")) + "\n" +
                                             closing("Nothing to process!"),
                                         0),
              0u);
}

TEST(Discovery, AFolderListsItsDailyTablesByNameAndSkipsFoldersAndRawFiles) {
    TempFolder dir;
    dir.write("KVA111222.TXT", kTable);
    dir.write("kva111220.txt", kTable);
    dir.write("KVA111221", kTable);  // no extension: still matches KVA*.*
    dir.write("_KVA111220.DAT", "raw");
    dir.write("other.txt", "x");
    std::filesystem::create_directory(dir.file("KVAOLD"));

    Discovery d({dir.path()});
    ASSERT_FALSE(d.ended);
    const InputSet& in = d.input();
    ASSERT_EQ(in.inputFileCount, 3);
    EXPECT_EQ(in.inputFiles[0].real, dir.file("KVA111221"));
    EXPECT_EQ(in.inputFiles[1].real, dir.file("KVA111222.TXT"));
    EXPECT_EQ(in.inputFiles[2].real, dir.file("kva111220.txt"));
    // The folder as shown, the entry name as the directory search gave it.
    std::string folder = upper(dir.folder());
    EXPECT_EQ(in.inputFiles[2].display, folder + "kva111220.txt");
    EXPECT_EQ(in.workFolder.real, dir.folder());
    EXPECT_EQ(d.transcript(), " dragged item is folder " + upper(dir.path()) + "\n found 3 KVA-files:\n" + folder +
                                  "KVA111221\n" + folder + "KVA111222.TXT\n" + folder + "kva111220.txt\n\n");
}

TEST(Discovery, OfSevenTablesFiveAreListed) {
    TempFolder dir;
    for (int d = 1; d <= 7; ++d) dir.write("KVA11122" + std::to_string(d) + ".TXT", kTable);
    Discovery d({dir.path()});
    EXPECT_EQ(d.input().inputFileCount, 7);
    std::string t = d.transcript();
    EXPECT_NE(t.find(" found 7 KVA-files:\n"), std::string::npos);
    EXPECT_NE(t.find("KVA111225.TXT\n...... etc .......\n\n"), std::string::npos);
    EXPECT_EQ(t.find("KVA111226"), std::string::npos);
}

TEST(Discovery, AFolderWithoutTablesOrWithTooManyEndsTheRun) {
    TempFolder empty;
    Discovery none({empty.path()});
    EXPECT_TRUE(none.ended);
    EXPECT_NE(none.transcript().find(" found 0 KVA-files:\n" + closing("Nothing to process!")), std::string::npos);

    TempFolder full;
    for (int i = 0; i < 1000; ++i) full.write("KVA" + std::to_string(100000 + i) + ".TXT", "");
    Discovery many({full.path()});
    EXPECT_TRUE(many.ended);
    EXPECT_NE(many.transcript().find(closing("Too many KVA-files!")), std::string::npos);
    EXPECT_EQ(many.input().inputFileCount, 999);
}

namespace {

// Discovery of one table with the given diameters.txt beside it.
Discovery withDiameters(TempFolder& dir, const std::string& content) {
    dir.write("diameters.txt", content);
    return Discovery({dir.write("KVA111220.TXT", kTable)});
}

std::string afterList(const Discovery& d) {
    std::string t = d.transcript();
    size_t at = t.rfind("KVA111220.TXT\n");
    return at == std::string::npos ? t : t.substr(at + 14);
}

}  // namespace

TEST(ExtraDiameters, AreReadOnePerLineAndListedInFieldsOfFive) {
    TempFolder dir;
    Discovery d = withDiameters(dir, "1.5\r\n\r\n0.5 nm\r\n  7.0\tlargest\r\n2.25E0\r\n");
    ASSERT_FALSE(d.ended);
    ASSERT_EQ(d.input().extraDiameterCount, 4);
    EXPECT_EQ(d.input().extraDiameters[1], 1.5);
    EXPECT_EQ(d.input().extraDiameters[2], 0.5);
    EXPECT_EQ(d.input().extraDiameters[3], 7.0);
    EXPECT_EQ(d.input().extraDiameters[4], 2.25);
    EXPECT_EQ(afterList(d), " found a file of 4 extra diameters:\n 1.50 0.50 7.00 2.25\n\n");
}

TEST(ExtraDiameters, AnEmptyFileGivesNoneAndNoFileGivesNoLines) {
    TempFolder dir;
    Discovery empty = withDiameters(dir, "");
    EXPECT_EQ(empty.input().extraDiameterCount, 0);
    EXPECT_EQ(afterList(empty), " found a file of 0 extra diameters:\n\n\n");

    TempFolder bare;
    Discovery none({bare.write("KVA111220.TXT", kTable)});
    EXPECT_EQ(afterList(none), "\n");
}

TEST(ExtraDiameters, TooManyLinesAreCountedBeforeTheValueIsRead) {
    std::string twenty;
    for (int i = 0; i < 20; ++i) twenty += "1.0\r\n";
    TempFolder dir;
    Discovery exact = withDiameters(dir, twenty);
    EXPECT_FALSE(exact.ended);
    EXPECT_EQ(exact.input().extraDiameterCount, 20);

    TempFolder dir2;
    Discovery trailing = withDiameters(dir2, twenty + "\r\n");
    EXPECT_TRUE(trailing.ended);
    EXPECT_NE(trailing.transcript().find(closing(" number of lines in diameters.txt exceeds 20!")), std::string::npos);
}

TEST(ExtraDiameters, ValuesOutOfRangeAndTrailingEmptyLinesEndTheRun) {
    for (const char* content : {"1.0\r\n0.49\r\n", "7.01\r\n", "1.0\r\n\r\n", "-1\r\n"}) {
        TempFolder dir;
        Discovery d = withDiameters(dir, content);
        EXPECT_TRUE(d.ended) << content;
        EXPECT_NE(d.transcript().find(closing(" extra diameter out of range or empty line in diameters.txt!")),
                  std::string::npos)
            << content;
    }
}

TEST(ExtraDiameters, ATokenThatIsNoNumberIsARunTimeErrorNamingFileAndLine) {
    TempFolder dir;
    try {
        withDiameters(dir, "1.0\r\n1,5\r\n");
        FAIL() << "no error";
    } catch (const platform::RunError& e) {
        EXPECT_EQ(std::string(e.what()), dir.file("diameters.txt") + ", line 2: \"1,5\" is not a number");
    }
}

TEST(ExtraDiameters, AFileThatCanNotBeReadStopsTheRunWithoutClosingLines) {
    // Something under the name that cannot be read, whoever runs the test
    // (permissions don't bind root): a FIFO, or on Windows a file held open
    // by another program without sharing.
    TempFolder dir;
#ifdef _WIN32
    dir.write("diameters.txt", "1.0\r\n");
    HANDLE held = CreateFileA(dir.file("diameters.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
#else
    ASSERT_EQ(mkfifo(dir.file("diameters.txt").c_str(), 0600), 0);
#endif
    Discovery d({dir.write("KVA111220.TXT", kTable)});
#ifdef _WIN32
    CloseHandle(held);
#endif
    EXPECT_TRUE(d.ended);
    EXPECT_EQ(afterList(d), upper(dir.folder()) + "diameters.txt is inaccessible (maybe open by another application?\n"
                                                  "Program will be interrupted, press Enter!\n");
}
