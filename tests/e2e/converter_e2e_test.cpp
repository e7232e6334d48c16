// KEVORCV as the user runs it: a folder or a raw file as the one argument,
// the answers typed on standard input.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "e2e_support.hpp"

namespace e2e {
namespace {

using ConverterRun = E2eTest;

std::vector<std::string> rawHeader(const fs::path& rawFile) {
    TableText raw = readTable(rawFile);
    raw.lines.resize(3);
    return raw.lines;
}

TEST_F(ConverterRun, FolderWithTheSettingsTypedGivesStandardData) {
    const fs::path raw = dir / "raw";
    generate(raw, {"--start", "2011-12-18", "--days", "2", "--from", "06:00", "--to", "07:59:59"});
    const ProcessResult run = runConverter({raw.string()}, converterAnswers(0, 5, 10, 0, "txt"));

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.substr(0, 10), "\nLaunched ");
    EXPECT_TRUE(inOrder(run.out, {"... Analyzing ..\n",
                                  "   outputstyle 0 = full range (8 fr/dec) standard data,\n",
                                  "   outputstyle 1 = clusterregime (16 fr/dec) standard data,\n",
                                  "   outputstyle 2 = basic data.\n",
                                  "Legal values of outputstyle = 0, 1 or 2, write correct value: ",
                                  "Legal values of cycleminutes = 0...60, write correct value: ",
                                  "Legal values of zerominutes = 3...600, write correct value: ",
                                  "   extracorrect 0 = no, 1 = dust pulses, 2 = resolution, 3 = both\n",
                                  "   (see the manual Sections 5.7.3 and A6.8)\n",
                                  "Legal values of extracorrect = 0..3, write correct value: ",
                                  "Write extension for output filename: ",
                                  "... Processing, please wait ...\nFinished 20",
                                  "\nOutput is saved as KVA111200.txt, press Enter!\n"}));
    EXPECT_EQ(run.out.find("c_inv"), std::string::npos);  // extracorrect 0 needs no coefficients

    // Only the daily table has been added to the folder, no leftovers.
    EXPECT_EQ(folderEntries(raw),
              (std::vector<std::string>{"KVA111200.txt", "_KVA111218.001", "_KVA111219.001"}));
    const TableText table = readTable(raw / "KVA111200.txt");
    EXPECT_TRUE(table.allCrLf);
    ASSERT_EQ(table.lines.size(), 3u + 2 * 24);  // 24 five-minute cycles each morning
    const std::vector<std::string> header = rawHeader(raw / "_KVA111218.001");
    EXPECT_EQ(table.lines[0], header[0]);
    EXPECT_EQ(table.lines[1], header[1]);

    const std::vector<std::string> titles = splitTabs(table.lines[2]);
    ASSERT_EQ(titles.size(), 78u);
    EXPECT_EQ(table.lines[2].substr(0, 46), "YYMMDD\tHHMM\tDAY\tT:C\tRH:%\tp:mb\tnoise+\tnoise-\tD+");
    EXPECT_EQ(titles[8], "D+0.487");
    EXPECT_EQ(titles[17], "D+6.494");
    EXPECT_EQ(titles[18], "D-0.487");
    EXPECT_EQ(titles[28], "Z+0.037");
    EXPECT_EQ(titles[43], "Z+2.738");
    EXPECT_EQ(titles[59], "Z-2.738");
    EXPECT_EQ(titles[60], "supply");
    EXPECT_EQ(titles[77], "regime");

    for (size_t i = 3; i < table.lines.size(); ++i) {
        const std::vector<std::string> f = splitTabs(table.lines[i]);
        ASSERT_EQ(f.size(), 78u) << table.lines[i];
        // Room air, a 23.5 supply and batteries summing near 480.
        EXPECT_GT(toNumber(f[3]), 17.0);
        EXPECT_LT(toNumber(f[3]), 26.0);
        EXPECT_NEAR(toNumber(f[5]), 1013.0, 10.0);
        EXPECT_NEAR(toNumber(f[60]), 23.5, 0.3);
        EXPECT_NEAR(toNumber(f[63]) + toNumber(f[64]), 480.0, 4.0);
        // Cluster ions in both polarities, with a mobility in the cluster range.
        EXPECT_GT(toNumber(f[72]), 100.0);
        EXPECT_GT(toNumber(f[73]), 100.0);
        EXPECT_GT(toNumber(f[74]), 0.5);
        EXPECT_LT(toNumber(f[74]), 2.5);
        // Ten records per cycle; the status word 12005 of the generator.
        EXPECT_EQ(long(toNumber(f[76])) % 100, 10);
        EXPECT_EQ(f[77], "12005");
    }
    // The first cycle, 06:00 to 06:05: its time is the trimmed mean of the
    // record times 06:00:00 ... 06:04:30, that is 06:02:15.
    const std::vector<std::string> first = splitTabs(table.lines[3]);
    EXPECT_EQ(first[0], "111218");
    EXPECT_EQ(first[1], "602.5");
    EXPECT_EQ(first[2], "352.2516");
    EXPECT_EQ(splitTabs(table.lines[26])[1], "757.5");
    EXPECT_EQ(splitTabs(table.lines[27])[0], "111219");
    EXPECT_EQ(splitTabs(table.lines[27])[2], "353.2516");
}

TEST_F(ConverterRun, SettingsFromTheIniAndResolutionCoefficientsFromTheRawHeader) {
    const fs::path raw = dir / "raw";
    generate(raw, {"--from", "06:00", "--to", "06:59:59", "--ini",
                   "outputstyle=1,cycleminutes=0,zerominutes=4,extracorrect=3,extension=dat"});
    const ProcessResult run = runConverter({(raw / "_KVA111218.001").string()}, "\n");

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.find("Legal values"), std::string::npos);
    EXPECT_EQ(run.out.find("Write extension"), std::string::npos);
    EXPECT_TRUE(inOrder(run.out, {"... Analyzing .\n", "... Processing, please wait ...\n",
                                  "\nOutput is saved as KVA111218.dat, press Enter!\n"}));

    const TableText table = readTable(raw / "KVA111218.dat");
    // With the resolution correction on, header line 2 keeps the raw fields
    // 1 to 20 and carries the coefficients in force as fields 21 to 25.
    const std::vector<std::string> rawLine2 = splitTabs(rawHeader(raw / "_KVA111218.001")[1]);
    const std::vector<std::string> line2 = splitTabs(table.lines[1]);
    ASSERT_EQ(line2.size(), 25u);
    for (size_t i = 0; i < 20; ++i) EXPECT_EQ(line2[i], rawLine2[i]);
    EXPECT_EQ(std::vector<std::string>(line2.begin() + 20, line2.end()),
              (std::vector<std::string>{"-0.150", "0.300", "0.300", "-0.150", "1.000"}));
    // 16 fractions per decade.
    const std::vector<std::string> titles = splitTabs(table.lines[2]);
    EXPECT_EQ(titles[28], "Z+0.453");
    EXPECT_EQ(titles[43], "Z+3.924");

    // One line per measurement record with at least two zero records within
    // 2 minutes: 3 records after the first burst of zero records, 6 around
    // each of the five others.
    ASSERT_EQ(table.lines.size(), 3u + 33);
    const std::vector<std::string> first = splitTabs(table.lines[3]);
    EXPECT_EQ(first[0], "111218");
    EXPECT_EQ(first[1], "602");        // 06:01:30 gives 601.5, written without decimals
    EXPECT_EQ(first[2], "352.25104");  // five decimals for single records
    EXPECT_EQ(first[77], "112305");    // style 1, extracorrect 3, status word 12005
}

TEST_F(ConverterRun, BasicDataKeepsTheRawLayout) {
    const fs::path raw = dir / "raw";
    generate(raw, {"--from", "06:00", "--to", "06:59:59"});
    const ProcessResult run = runConverter({raw.string()}, converterAnswers(2, 10, 10, 0, "txt"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(inOrder(run.out, {"\nOutput is saved as ~KVA111218.txt, press Enter!\n"}));

    const TableText table = readTable(raw / "~KVA111218.txt");
    ASSERT_EQ(table.lines.size(), 3u + 6);
    const std::string rawTitles = rawHeader(raw / "_KVA111218.001")[2];
    const size_t over = rawTitles.find("over");
    EXPECT_EQ(table.lines[2], "yymmdd\thhnnss" + rawTitles.substr(10, over - 10) + "ovl&sc\tregime");
    EXPECT_EQ(splitTabs(table.lines[2]).size(), 87u);
    const std::vector<std::string> first = splitTabs(table.lines[3]);
    ASSERT_EQ(first.size(), 87u);
    EXPECT_EQ(first[0], "111218");
    EXPECT_EQ(first[1], "60500");  // centre of the slot 06:00-06:10
    EXPECT_EQ(first[86], "212005");
}

TEST_F(ConverterRun, ExistingTableIsKeptOnCancelAndReplacedOnRewrite) {
    const fs::path raw = dir / "raw";
    generate(raw, {"--from", "06:00", "--to", "06:29:59"});
    writeFile(raw / "KVA111218.txt", "old table\r\n");
    const std::string settings = "0\n5\n10\n0\ntxt\n";

    const ProcessResult cancel = runConverter({raw.string()}, settings + "c\n\n");
    EXPECT_EQ(cancel.exitCode, 0);
    EXPECT_TRUE(inOrder(cancel.out, {"File KVA111218.txt exists!\n",
                                     "Choose R (= rewrite) or C (= cancel) or write a proper name: ",
                                     "Interrupted 20", "\nOutput is not saved, press Enter!\n"}));
    EXPECT_EQ(readFile(raw / "KVA111218.txt"), "old table\r\n");
    EXPECT_EQ(folderEntries(raw), (std::vector<std::string>{"KVA111218.txt", "_KVA111218.001"}));

    const ProcessResult other = runConverter({raw.string()}, settings + "mine.txt\n\n");
    EXPECT_EQ(other.exitCode, 0);
    EXPECT_TRUE(inOrder(other.out, {"\nOutput is saved as mine.txt, press Enter!\n"}));
    EXPECT_EQ(readFile(raw / "KVA111218.txt"), "old table\r\n");

    const ProcessResult rewrite = runConverter({raw.string()}, settings + "R\n\n");
    EXPECT_EQ(rewrite.exitCode, 0);
    EXPECT_EQ(readFile(raw / "KVA111218.txt"), readFile(raw / "mine.txt"));
}

TEST_F(ConverterRun, RawFieldThatIsNoIntegerEndsWithAnErrorAndNoOutput) {
    const fs::path raw = dir / "raw";
    generate(raw, {"--from", "06:00", "--to", "06:59:59", "--broken-record", "30"});
    writeFile(raw / "KVA111218.txt", "old table\r\n");
    const ProcessResult run = runConverter({raw.string()}, converterAnswers(0, 5, 10, 0, "txt") + "r\n\n");

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind("KEVORCV: error: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("_KVA111218.001"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.out.find("Output is saved"), std::string::npos);
    EXPECT_EQ(readFile(raw / "KVA111218.txt"), "old table\r\n");
    EXPECT_EQ(folderEntries(raw), (std::vector<std::string>{"KVA111218.txt", "_KVA111218.001"}));
}

TEST_F(ConverterRun, AnswerThatIsNoNumberOrMissingEndsWithAnError) {
    const fs::path raw = dir / "raw";
    generate(raw, {"--from", "06:00", "--to", "06:29:59"});
    for (const std::string answers : {"abc\n", ""}) {
        const ProcessResult run = runConverter({raw.string()}, answers);
        EXPECT_EQ(run.exitCode, 1) << "answers: " << answers;
        EXPECT_EQ(run.err.rfind("KEVORCV: error: ", 0), 0u) << run.err;
        EXPECT_EQ(folderEntries(raw), (std::vector<std::string>{"_KVA111218.001"}));
    }
}

TEST_F(ConverterRun, ForeseenEndsHaveTheirMessagesAndExitCodeZero) {
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    fs::create_directories(dir / "empty");
    const std::vector<Case> cases = {
        {{}, "\n The program can be launched only dragging\n an icon onto the icon of the program file.\n"
             " Press Enter and try again!\n"},
        {{"a", "b"}, "\n The program can be launched only dragging\n an icon onto the icon of the program file.\n"
                     " Press Enter and try again!\n"},
        {{(dir / "missing").string()}, "\n The dragged item should be a file or a folder!\n Press Enter and try again!\n"},
        {{(dir / "empty").string()}, "\n No _KVA files! Press Enter!\n"},
    };
    for (const Case& c : cases) {
        const ProcessResult run = runConverter(c.args, "\n");
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, "");
    }
}

TEST_F(ConverterRun, IniWithAWrongRevisionDateIsRefused) {
    const fs::path raw = dir / "raw";
    generate(raw, {"--from", "06:00", "--to", "06:29:59", "--ini", "outputstyle=0"});
    setModificationDay(raw / "KEVORCV.INI", 2011, 2, 11);
    const ProcessResult run = runConverter({raw.string()}, "\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(inOrder(run.out, {"... Analyzing .\n", "\nFatal error: KEVORCV.INI header contains a wrong revision date,\n"
                                                       "press ENTER to escape!\n"}));
    EXPECT_EQ(run.out.find("Legal values"), std::string::npos);
    EXPECT_EQ(folderEntries(raw), (std::vector<std::string>{"KEVORCV.INI", "_KVA111218.001"}));
}

TEST_F(ConverterRun, HeaderConflictAbortsOrAdoptsTheNewHeader) {
    const fs::path raw = dir / "raw";
    generate(raw, {"--days", "2", "--from", "06:00", "--to", "06:29:59", "--header-conflict", "2"});
    const std::string entry = (fs::canonical(raw) / "_KVA111219.001").string();

    const ProcessResult abort = runConverter({raw.string()}, "x\no\n");
    EXPECT_EQ(abort.exitCode, 0);
    EXPECT_TRUE(inOrder(abort.out, {"... Analyzing ..\nConflict of headers in " + entry + "\n",
                                    "The choices: 0 = abort, 1 = use last headers, enter 0 or 1: "
                                    "The choices: 0 = abort, 1 = use last headers, enter 0 or 1: "}));
    EXPECT_EQ(abort.out.find("Processing"), std::string::npos);
    EXPECT_EQ(folderEntries(raw), (std::vector<std::string>{"_KVA111218.001", "_KVA111219.001"}));

    const ProcessResult adopt = runConverter({raw.string()}, "1\n" + converterAnswers(0, 5, 10, 0, "txt"));
    EXPECT_EQ(adopt.exitCode, 0);
    const TableText table = readTable(raw / "KVA111200.txt");
    EXPECT_EQ(table.lines[1], rawHeader(raw / "_KVA111219.001")[1]);
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

TEST_F(ConverterRun, GeneratorIsReproducibleAndOddlyWrittenRawFilesReadTheSame) {
    const std::vector<std::string> day = {"--from", "06:00", "--to", "06:59:59", "--seed", "7"};
    generate(dir / "a", day);
    generate(dir / "b", day);
    EXPECT_EQ(readFile(dir / "a" / "_KVA111218.001"), readFile(dir / "b" / "_KVA111218.001"));
    std::vector<std::string> otherSeed = day;
    otherSeed.back() = "8";
    generate(dir / "c", otherSeed);
    EXPECT_NE(readFile(dir / "a" / "_KVA111218.001"), readFile(dir / "c" / "_KVA111218.001"));

    // The same records with LF line ends, one record over two lines, empty
    // lines after the last record and a lower-case name (found by the
    // folder scan): the same daily table.
    std::vector<std::string> odd = day;
    odd.insert(odd.end(), {"--lf", "--split-record", "5", "--trailing-blank-lines", "2", "--lower-case"});
    generate(dir / "odd", odd);
    const std::string answers = converterAnswers(0, 5, 10, 0, "txt");
    ASSERT_EQ(runConverter({(dir / "a").string()}, answers).exitCode, 0);
    const ProcessResult run = runConverter({(dir / "odd").string()}, answers);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readFile(dir / "odd" / "KVA111218.txt"), readFile(dir / "a" / "KVA111218.txt"));
}

}  // namespace
}  // namespace e2e
