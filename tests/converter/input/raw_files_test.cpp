#include "converter/input/raw_files.hpp"

#include <gtest/gtest.h>

#include <charconv>

#include "platform/datetime.hpp"
#include "platform/run_error.hpp"
#include "tests/converter/converter_test_support.hpp"

using namespace converter;
using namespace converter_test;

namespace {

struct RawReading : ::testing::Test {
    TempFolder folder;
    RawStore store;
    RawFiles files;
    void SetUp() override { store.allocate(); }

    void add(const std::string& name, const std::string& text) {
        writeText(folder.file(name), text);
        files.rawFiles.push_back(folder.file(name));
        files.rawFileCount = static_cast<int>(files.rawFiles.size());
    }
    std::string readAll(const std::string& answers = "") {
        TestConsole console(answers);
        readAllRawFiles(console.console, files, store);
        return console.text();
    }
};

}  // namespace

TEST(FolderScan, TakesRawFilesOfAnyCaseButNoFolders) {
    TempFolder folder;
    for (const char* name : {"_KVA110212.001", "_kva110211.002", "_KVA110211", "KVA110211.txt", "x_KVA1"})
        writeText(folder.file(name), "");
    platform::createFolders(folder.file("_KVA_folder"));
    RawFiles files;
    TestConsole console;
    scanRawFolder(console.console, folder.folder(), files);
    ASSERT_EQ(files.rawFileCount, 3);
    EXPECT_EQ(files.rawFiles[0], folder.file("_KVA110211"));
    EXPECT_EQ(files.rawFiles[1], folder.file("_KVA110212.001"));
    EXPECT_EQ(files.rawFiles[2], folder.file("_kva110211.002"));
    EXPECT_EQ(console.text(), "");
}

TEST(FolderScan, TakesTwoHundredFiftyFilesAndStopsAtTheNext) {
    TempFolder folder;
    writeEmptyRawFiles(folder, 250);
    RawFiles files;
    TestConsole console;
    scanRawFolder(console.console, folder.folder(), files);
    EXPECT_EQ(files.rawFileCount, 250);

    writeText(folder.file("_KVA110212.001"), "");
    TestConsole second("\n");
    EXPECT_THROW(scanRawFolder(second.console, folder.folder(), files), platform::RunEnded);
    EXPECT_EQ(second.text(), "Interrupted <time>\nToo many files, press Enter!\n");
}

TEST(Sorting, OrdersByCharacterCode) {
    RawFiles files;
    files.rawFiles = {"_KVA110212.001", "_KVA110211.002", "_KVA110211.001", "_kva110210.001", "_KVA11021"};
    files.rawFileCount = 5;
    sortRawFiles(files);
    std::vector<std::string> expected = {"_KVA11021", "_KVA110211.001", "_KVA110211.002", "_KVA110212.001",
                                         "_kva110210.001"};
    EXPECT_EQ(files.rawFiles, expected);
}

TEST_F(RawReading, NumbersRecordsAcrossFilesAndTimesThemFromNameAndField0) {
    add("_KVA110211.001", rawText(recordLine(93015, 1, 100) + recordLine(93115, 0, 200)));
    add("_KVA110212.001", rawText(recordLine(5, 1, 300), "KEVOR raw data", headerLine2(25), "titles 2"));
    EXPECT_EQ(readAll(), "..\n");
    ASSERT_EQ(store.recordCount, 3);
    EXPECT_EQ(store.recordTime[1], platform::encodeDate(2011, 2, 11) + platform::encodeTime(9, 30, 15, 0));
    EXPECT_EQ(store.recordTime[2], platform::encodeDate(2011, 2, 11) + platform::encodeTime(9, 31, 15, 0));
    EXPECT_EQ(store.recordTime[3], platform::encodeDate(2011, 2, 12) + platform::encodeTime(0, 0, 5, 0));
    EXPECT_EQ(store.record(1)[field::kind], 1);
    EXPECT_EQ(store.record(2)[field::kind], 0);
    EXPECT_EQ(store.record(3)[2], 302);
    EXPECT_EQ(store.record(3)[86], 386);
    // The sentinels stay cleared; the third line of the last file is kept.
    EXPECT_EQ(store.record(0)[86], 0);
    EXPECT_EQ(store.record(-1)[0], 0);
    EXPECT_EQ(store.headerLine1, "KEVOR raw data");
    EXPECT_EQ(store.headerLine3, "titles 2");
}

TEST_F(RawReading, ALongFileFollowedByAnotherKeepsEveryRecordInPlace) {
    // More records than a thread parses ahead of its file's turn: the rest
    // goes straight into the store, and the next file follows behind.
    std::string records;
    for (int i = 0; i < 9000; ++i) records += recordLine(i / 3600 * 10000 + i / 60 % 60 * 100 + i % 60, 1, i);
    add("_KVA110211.001", rawText(records));
    add("_KVA110212.001", rawText(recordLine(5, 0, -7)));
    EXPECT_EQ(readAll(), "..\n");
    ASSERT_EQ(store.recordCount, 9001);
    for (int r : {1, 8640, 8641, 9000}) {
        EXPECT_EQ(store.record(r)[2], r - 1 + 2) << r;
        EXPECT_EQ(store.recordTime[r], platform::encodeDate(2011, 2, 11) + (r - 1) / 86400.0) << r;
    }
    EXPECT_EQ(store.record(9001)[86], 79);
}

TEST_F(RawReading, RecordLayoutOnLines) {
    std::string twoLines;  // 40 numbers on one line, 47 on the next
    for (int f = 0; f < 87; ++f) {
        twoLines += std::to_string(f == 0 ? 120000 : f == 1 ? 1 : -f);
        twoLines += f == 39 ? "\n" : f == 86 ? "\n" : " ";
    }
    std::string extra = recordLine(120100, 1, 0);
    extra.insert(extra.size() - 2, "\t99 98 junk");  // skipped after the 87th integer
    std::string truncated = "120200 +1 -5\n";        // the file ends inside the record
    add("_KVA110211.001", rawText(twoLines + extra + " \x01\t\f" + truncated + "\r\n\r\n  \n"));
    readAll();
    ASSERT_EQ(store.recordCount, 3);
    EXPECT_EQ(store.record(1)[39], -39);
    EXPECT_EQ(store.record(1)[40], -40);
    EXPECT_EQ(store.record(1)[86], -86);
    EXPECT_EQ(store.record(2)[86], 86);
    EXPECT_EQ(store.record(3)[field::kind], 1);
    EXPECT_EQ(store.record(3)[2], -5);
    for (int f = 3; f < 87; ++f) EXPECT_EQ(store.record(3)[f], 0) << f;
}

TEST_F(RawReading, FieldsOfEveryLengthAndSign) {
    // Every length from 1 to 12 characters, signed and not, with leading
    // zeros, the 32-bit limits, and each separator; the last record ends
    // the file right after its last digit.
    std::vector<std::string> tokens = {
        "2147483647",         "-2147483648", "+2147483647", "0",        "-0",     "+0",
        "000000000000000012", "-0000007",    "99999999",    "12345678", "1234567"};
    uint32_t state = 12345;
    while (tokens.size() < 3 * 85) {
        state = state * 1103515245u + 12345u;
        int digits = 1 + static_cast<int>((state >> 16) % 9);
        std::string token = (state & 1) ? "-" : (state & 2) ? "+" : "";
        for (int d = 0; d < digits; ++d) {
            state = state * 1103515245u + 12345u;
            token += static_cast<char>('0' + (state >> 16) % 10);
        }
        tokens.push_back(token);
    }
    const char* separators[] = {" ", "\t", "  \t ", "\x01", "\r\n"};
    std::string records = "0 1 ";
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (i == 85 || i == 170) records += "\r\n0 1 ";  // next record; fields 0 and 1 given
        records += tokens[i];
        if (i + 1 < tokens.size()) records += separators[i % 5];
    }
    add("_KVA110211.001", rawText(records));
    readAll();
    ASSERT_EQ(store.recordCount, 3);
    for (size_t i = 0; i < tokens.size(); ++i) {
        size_t slot = i < 85 ? i + 2 : i < 170 ? i + 4 : i + 6;  // skipping the inserted 0 1
        std::string_view token = tokens[i];
        if (token[0] == '+') token.remove_prefix(1);
        int32_t expected = 0;
        std::from_chars(token.data(), token.data() + token.size(), expected);
        EXPECT_EQ(store.record(1 + static_cast<int>(slot / 87))[slot % 87], expected) << tokens[i];
    }
}

TEST_F(RawReading, HeaderOnlyFilesGiveNoRecordsEvenWithoutDateInTheName) {
    add("_KVA110211.001", rawText(""));
    add("_KVAxx.001", rawText("\r\n \r\n"));
    add("_KVA110213.001", "KEVOR raw data\r\n" + headerLine2(25));  // no third line
    EXPECT_EQ(readAll(), "...\n");
    EXPECT_EQ(store.recordCount, 0);
    EXPECT_EQ(store.headerLine2, headerLine2(25));
    EXPECT_EQ(store.headerLine3, "");
}

TEST_F(RawReading, BadRecordsEndTheRunNamingFileAndLine) {
    struct Case {
        std::string name, records, cause;
    } cases[] = {
        {"_KVA110211.001", recordLine(120000, 1) + "120100 1 2x", "line 5: the record field 2x is not"},
        {"_KVA110211.001", "120000 1 +-5", "line 4: the record field +-5 is not"},
        {"_KVA110211.001", "120000 1 1234567x 1 2 3 4", "the record field 1234567x is not"},
        {"_KVA110211.001", "120000 1 12-3", "the record field 12-3 is not"},
        {"_KVA110211.001", "120000 1 --3", "the record field --3 is not"},
        {"_KVA110211.001", "120000 1 -2147483649", "the record field -2147483649 is not"},
        {"_KVA110211.001", "120000 1 + 5", "the record field + is not"},
        {"_KVA110211.001", "120000 1 2147483648", "the record field 2147483648 is not a 32-bit integer"},
        // A megabyte of garbage behind a terminal's control byte (CSI): a short line, the byte made harmless.
        {"_KVA110211.001", "120000 1 \x9b" "2J" + std::string(1 << 20, '7'),
         "the record field \\x9b2J" + std::string(37, '7') + "... is not"},
        {"_KVA110211.001", recordLine(240000, 1), "line 4: the record time 240000 is not a time of day"},
        {"_KVA110211.001", recordLine(126000, 1), "the record time 126000"},
        {"_KVA110211.001", recordLine(-1, 1), "the record time -1"},
        {"_KVA111311.001", recordLine(120000, 1), "line 4: the file name does not carry a valid date"},
        {"_KVA110229.001", recordLine(120000, 1), "valid date"},
        {"_KVA1102", recordLine(120000, 1), "valid date"},
        {"_KVA-10211.001", recordLine(120000, 1), "valid date"},
    };
    for (const Case& c : cases) {
        files = {};
        store.recordCount = 0;
        add(c.name, rawText(c.records));
        try {
            readAll();
            ADD_FAILURE() << c.records << " was read";
        } catch (const platform::RunError& e) {
            std::string what = e.what();
            EXPECT_NE(what.find(folder.file(c.name)), std::string::npos) << what;
            EXPECT_NE(what.find(c.cause), std::string::npos) << what;
        }
    }
}

TEST_F(RawReading, MissingFileEndsTheRunWithItsMessage) {
    add("_KVA110211.001", rawText(recordLine(120000, 1)));
    files.rawFiles.push_back(folder.file("_KVA110212.001"));
    files.rawFileCount = 2;
    EXPECT_THROW(readAll("\n"), platform::RunEnded);
    TestConsole console("\n");
    store.recordCount = 0;
    EXPECT_THROW(readAllRawFiles(console.console, files, store), platform::RunEnded);
    EXPECT_EQ(console.text(), "." + folder.file("_KVA110212.001") +
                                  " is inaccessible (maybe open by another application?\n"
                                  "Program will be interrupted, press Enter!\n");
}

TEST_F(RawReading, StopsBeforeTheRecordBeyondTheCapacity) {
    add("_KVA110211.001", rawText(recordLine(120000, 1, 5) + recordLine(120001, 1, 6) + "\r\n"));
    std::string text = readText(files.rawFiles[0]);
    std::string buffer;
    // Room for exactly one more record: it is stored, the next one is not.
    store.recordCount = kRecordCapacity - 1;
    TestConsole console("\n");
    console.console.writePrompt("... Analyzing ");
    EXPECT_THROW(readRawFile(console.console, files.rawFiles[0], true, store, buffer), platform::RunEnded);
    EXPECT_EQ(console.text(), "... Analyzing .\nInterrupted <time>\nToo many records, press Enter!\n");
    EXPECT_EQ(store.recordCount, kRecordCapacity);
    EXPECT_EQ(store.record(kRecordCapacity)[2], 7);

    // A full store followed only by blank space is no overflow.
    store.recordCount = kRecordCapacity - 2;
    TestConsole quiet;
    readRawFile(quiet.console, files.rawFiles[0], true, store, buffer);
    EXPECT_EQ(store.recordCount, kRecordCapacity);
    EXPECT_EQ(quiet.text(), ".");
}

TEST_F(RawReading, HeaderConflictDialogue) {
    std::string records = recordLine(120000, 1);
    add("_KVA110211.001", rawText(records, "line 1", headerLine2(25)));
    add("_KVA110211.002", rawText(records, "line 1", headerLine2(26), "titles B"));
    add("_KVA110211.003", rawText(records, "line 1", headerLine2(26), "titles C"));
    const std::string prompt = "The choices: 0 = abort, 1 = use last headers, enter 0 or 1: ";
    const std::string conflict = ".\nConflict of headers in " + files.rawFiles[1] + "\n";

    // Wrong answers are asked again; 1 takes the second file's lines, which
    // the third file then matches.
    EXPECT_EQ(readAll("x\n\n2\n1\n"), "." + conflict + prompt + prompt + prompt + prompt + ".\n");
    EXPECT_EQ(store.headerLine2, headerLine2(26));
    EXPECT_EQ(store.headerLine3, "titles C");
    EXPECT_EQ(store.recordCount, 3);

    for (const char* abort : {"o\n", "O\n", "0 and more\n"}) {
        store.recordCount = 0;
        TestConsole console(abort);
        EXPECT_THROW(readAllRawFiles(console.console, files, store), platform::RunEnded);
        EXPECT_EQ(console.text(), "." + conflict + prompt);
        EXPECT_EQ(store.recordCount, 1);
    }

    store.recordCount = 0;
    TestConsole ended("x\n");
    EXPECT_THROW(readAllRawFiles(ended.console, files, store), platform::RunError);
}

TEST(HeaderLine2, FieldValues) {
    EXPECT_EQ(headerFieldValue("0.5"), 0.5);
    EXPECT_EQ(headerFieldValue("  -0.2  "), -0.2);
    EXPECT_EQ(headerFieldValue(""), 0);
    EXPECT_EQ(headerFieldValue("   "), 0);
    EXPECT_EQ(headerFieldValue("12.5abc"), 12.5);
    EXPECT_EQ(headerFieldValue("1e3x"), 1000);
    EXPECT_EQ(headerFieldValue("2e"), 2);
    EXPECT_EQ(headerFieldValue("+.5"), 0.5);
    EXPECT_EQ(headerFieldValue("abc"), 0);
    EXPECT_EQ(headerFieldValue("inf"), 0);
    EXPECT_EQ(headerFieldValue("nan"), 0);
    EXPECT_EQ(headerFieldValue("0x1A"), 0);
    EXPECT_EQ(headerFieldValue("1,5"), 1);
}

TEST(HeaderLine2, ParseSetsParametersAndCoefficientsThatExist) {
    RawStore store;
    ConverterSettings settings;
    store.headerLine2 = headerLine2(27, {"0.5", "-0.2", "0.1", "-0.05", "0.4"});
    store.headerLine2.replace(store.headerLine2.find("f4"), 2, "1.25");
    store.headerLine2.replace(store.headerLine2.find("f6"), 2, "");
    parseHeaderLine2(store, settings);
    EXPECT_EQ(store.headerParam4, 1.25);
    EXPECT_EQ(store.headerParam5, 0);  // "f5" is no number
    EXPECT_EQ(store.headerParam6, 0);
    EXPECT_EQ(settings.c_inv_n2, 0.5);
    EXPECT_EQ(settings.c_inv_n1, -0.2);
    EXPECT_EQ(settings.c_inv_p1, 0.1);
    EXPECT_EQ(settings.c_inv_p2, -0.05);
    EXPECT_EQ(settings.z_limit, 0.4);

    // 22 fields: c_inv_n2 and c_inv_n1 are given, the rest keep their mark.
    ConverterSettings partial;
    store.headerLine2 = headerLine2(22, {"1", "2"});
    store.headerParam7 = 9;
    parseHeaderLine2(store, partial);
    EXPECT_EQ(partial.c_inv_n2, 1);
    EXPECT_EQ(partial.c_inv_n1, 2);
    EXPECT_EQ(partial.c_inv_p1, -999.0);
    EXPECT_EQ(partial.z_limit, -999.0);
    EXPECT_EQ(store.headerParam7, 0);

    // An empty last field after a trailing tab still exists.
    ConverterSettings trailing;
    store.headerLine2 = headerLine2(20) + "\t";
    parseHeaderLine2(store, trailing);
    EXPECT_EQ(trailing.c_inv_n2, 0);
    EXPECT_EQ(trailing.c_inv_n1, -999.0);

    // A short line leaves fields 4..7 alone.
    store.headerLine2 = "a\tb";
    store.headerParam4 = 3;
    parseHeaderLine2(store, trailing);
    EXPECT_EQ(store.headerParam4, 3);
}

TEST(HeaderLine2, RewriteKeepsTwentyFieldsAndAppendsTheCoefficients) {
    ConverterSettings settings;
    settings.c_inv_n2 = -0.15;
    settings.c_inv_n1 = 0.0004;
    settings.c_inv_p1 = -0.0004;
    settings.c_inv_p2 = 2.5;
    settings.z_limit = 1;
    const std::string tail = "\t-0.150\t0.000\t-0.000\t2.500\t1.000";
    for (int fields : {27, 21, 20}) {
        std::string line = headerLine2(fields);
        rewriteHeaderLine2(line, settings);
        EXPECT_EQ(line, headerLine2(20) + tail) << fields;
    }
    std::string shortLine = "a\tb\tc";
    rewriteHeaderLine2(shortLine, settings);
    EXPECT_EQ(shortLine, "a\tb\tc" + std::string(17, '\t') + tail);

    // The parse reads the coefficients back from where the rewrite put them.
    RawStore store;
    store.headerLine2 = shortLine;
    ConverterSettings back;
    parseHeaderLine2(store, back);
    EXPECT_EQ(back.c_inv_n2, -0.15);
    EXPECT_EQ(back.c_inv_p2, 2.5);
    EXPECT_EQ(back.z_limit, 1);
}
