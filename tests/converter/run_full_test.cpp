// Whole conversion runs in-process: raw files and KEVORCV.INI made here,
// the answers typed from a string.
#include <gtest/gtest.h>

#include "converter/run.hpp"
#include "tests/converter/converter_test_support.hpp"

using namespace converter;
using namespace converter_test;

namespace {

// A record with plausible readings: 20 degC, 50 %, 1013 mb, a few hundred
// counts in every channel (fewer in zero records).
std::string plausibleRecord(int hhmmss, int kind, int pressure = 10130) {
    std::string line =
        std::to_string(hhmmss) + '\t' + std::to_string(kind) + "\t2000\t500\t" + std::to_string(pressure);
    for (int f = 5; f < 75; ++f) line += '\t' + std::to_string(kind ? 300 + 7 * f : 20 + f % 3);
    for (int f = 75; f < 85; ++f) line += '\t' + std::to_string(f == 75 ? 235 : 100 + f);
    return line + "\t0\t12345\r\n";
}

// One hour from 12:00:15, a record every 30 seconds; every fifth is a zero
// record. The slot from `lowPressureFrom` on (if any) has pressure 0.
std::string hourOfRecords(int lowPressureMinute = -1) {
    std::string records;
    for (int i = 0; i < 120; ++i) {
        int minute = i / 2, second = 15 + 30 * (i % 2);
        int pressure = lowPressureMinute >= 0 && minute >= lowPressureMinute && minute < lowPressureMinute + 5
                           ? 0
                           : 10130;
        records += plausibleRecord(120000 + minute * 100 + second, i % 5 == 4 ? 0 : 1, pressure);
    }
    return records;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
    return lines;
}

size_t fieldCount(const std::string& line) {
    return static_cast<size_t>(std::count(line.begin(), line.end(), '\t')) + 1;
}

struct FullRun : ::testing::Test {
    TempFolder folder;
    std::string raw = folder.file("_KVA110211.003");
    std::string settings(const std::string& extra) {
        return "outputstyle=0\r\ncycleminutes=5\r\nzerominutes=10\r\nextracorrect=0\r\nextension=txt\r\n" +
               extra;
    }
    std::string convert(const std::string& answers = "\n") {
        TestConsole console(answers);
        EXPECT_EQ(runConverter(console.console, {raw}), 0);
        return console.text();
    }
    const std::string head = "\nLaunched <time>\n... Analyzing .\n... Processing, please wait ...\n";
};

}  // namespace

TEST_F(FullRun, StandardDataTable) {
    writeText(raw, rawText(hourOfRecords(), "KEVOR raw data", headerLine2(27)));
    writeSettingsFile(folder.file("KEVORCV.INI"), settings(""));
    EXPECT_EQ(convert(), head + "Finished <time>\nOutput is saved as KVA110211.txt, press Enter!\n");
    std::vector<std::string> lines = linesOf(readText(folder.file("KVA110211.txt")));
    ASSERT_EQ(lines.size(), 3u + 12u);
    EXPECT_EQ(lines[0], "KEVOR raw data");
    EXPECT_EQ(lines[1], headerLine2(27));  // unchanged without the resolution correction
    EXPECT_EQ(fieldCount(lines[2]), 78u);
    EXPECT_EQ(lines[2].substr(0, 12), "YYMMDD\tHHMM\t");
    for (size_t i = 3; i < lines.size(); ++i) EXPECT_EQ(fieldCount(lines[i]), 78u) << lines[i];
    EXPECT_EQ(lines[3].substr(0, 13), "110211\t1202.5");
}

TEST_F(FullRun, BasicDataTableAndTheResolutionHeader) {
    writeText(raw, rawText(hourOfRecords(), "KEVOR raw data",
                           headerLine2(27, {"0.5", "-0.2", "0.1", "-0.05", "0.4"}),
                           "hhmmss\tkin\tT\tRH\tp\tover\tstatus"));
    writeSettingsFile(folder.file("KEVORCV.INI"),
                      "outputstyle=2\r\ncycleminutes=10\r\nzerominutes=20\r\n"
                      "extracorrect=2\r\nc_inv_n2=0.25\r\nextension=dat\r\n");
    EXPECT_EQ(convert(), head + "Finished <time>\nOutput is saved as ~KVA110211.dat, press Enter!\n");
    std::vector<std::string> lines = linesOf(readText(folder.file("~KVA110211.dat")));
    ASSERT_EQ(lines.size(), 3u + 6u);
    EXPECT_EQ(lines[1], headerLine2(20) + "\t0.250\t-0.200\t0.100\t-0.050\t0.400");
    EXPECT_EQ(lines[2], "yymmdd\thhnnss\tT\tRH\tp\tovl&sc\tregime");
    for (size_t i = 3; i < lines.size(); ++i) EXPECT_EQ(fieldCount(lines[i]), 87u) << lines[i];
}

TEST_F(FullRun, NoCycleAcceptedWritesNoFile) {
    std::string records;
    for (int m = 0; m < 10; ++m) records += plausibleRecord(120000 + m * 100, 1);
    writeText(raw, rawText(records));
    writeSettingsFile(folder.file("KEVORCV.INI"), settings("cycleminutes=0\r\n"));
    EXPECT_EQ(convert(), head + "\n");
    EXPECT_FALSE(platform::fileExists(folder.file("KVA110211.txt")));
}

TEST_F(FullRun, ResolutionMatrixRowWithSumZeroEndsBeforeAnyFile) {
    writeText(raw, rawText(hourOfRecords()));
    writeSettingsFile(folder.file("KEVORCV.INI"),
                      settings("extracorrect=2\r\nc_inv_n2=0\r\nc_inv_n1=0\r\nc_inv_p1=-1\r\nc_inv_p2=0\r\n"
                               "z_limit=0.01\r\n"));
    EXPECT_EQ(convert(), head +
                             "\nFatal error: resolution coefficients give a matrix row with sum 0,\n"
                             "press ENTER to escape!\n");
    EXPECT_EQ(platform::findEntries(folder.folder(), "*KVA*.*").size(), 1u);  // the raw file alone
}

TEST_F(FullRun, CyclesLeftOutAreCounted) {
    writeText(raw, rawText(hourOfRecords(20)));
    writeSettingsFile(folder.file("KEVORCV.INI"), settings(""));
    EXPECT_EQ(convert(), head +
                             " 1 cycles left out: no finite values\nFinished <time>\n"
                             "Output is saved as KVA110211.txt, press Enter!\n");
    EXPECT_EQ(linesOf(readText(folder.file("KVA110211.txt"))).size(), 3u + 11u);
}

TEST_F(FullRun, ExistingTableIsRewrittenOrKept) {
    writeText(raw, rawText(hourOfRecords()));
    writeSettingsFile(folder.file("KEVORCV.INI"), settings(""));
    const std::string table = folder.file("KVA110211.txt");
    const std::string exists =
        "File KVA110211.txt exists!\nChoose R (= rewrite) or C (= cancel) or write a proper name: ";
    writeText(table, "old table");
    EXPECT_EQ(convert("C\n\n"), head + exists + "Interrupted <time>\nOutput is not saved, press Enter!\n");
    EXPECT_EQ(readText(table), "old table");

    EXPECT_EQ(convert("\nnew.txt\n\n"),
              head + exists + exists + "Finished <time>\nOutput is saved as new.txt, press Enter!\n");
    EXPECT_EQ(readText(table), "old table");
    std::string converted = readText(folder.file("new.txt"));

    EXPECT_EQ(convert("r\n\n"),
              head + exists + "Finished <time>\nOutput is saved as KVA110211.txt, press Enter!\n");
    EXPECT_EQ(readText(table), converted);
    EXPECT_EQ(platform::findEntries(folder.folder(), "*.tmp").size(), 0u);
}
