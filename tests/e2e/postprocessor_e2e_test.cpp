// KEVORPP as the user runs it on a daily table written by KEVORCV: the
// dragged items as arguments, the answers of the dialogue on standard input.
#include <algorithm>
#include <cmath>
#include <csignal>
#include <string>
#include <vector>

#include "e2e_support.hpp"

namespace e2e {
namespace {

// Decimals with which KEVORPP writes a variable (one dragged item).
int decimalsOf(int variable) {
    switch (variable) {
    case 3: return 4;
    case 4: case 66: case 67: case 75: case 76: return 2;
    case 5: case 6: case 61: return 1;
    default: return 0;
    }
}

// The answers for the days 2011-12-18 and 19, no corrections or smoothing,
// a 10-minute step with trimming 1, then the rest as given.
std::string answersFor(const std::string& rest) {
    return "111218\n111219\n0\n0\n0\n0\n10\n1\n" + rest;
}

class PostprocessorRun : public E2eTest {
protected:
    void SetUp() override {
        E2eTest::SetUp();
        work = dir / "work";
        table = convertTwoMornings(work);
        writeFile(work / "diameters.txt", "1.0\r\n2.5\r\n");
    }

    fs::path work;
    fs::path table;
};

TEST_F(PostprocessorRun, NormalTableAveragesTheLinesOfTheDailyTable) {
    const ProcessResult run = runPostprocessor(
        {table.string()}, answersFor("N\nyyyy-mm-dd hh:nn\n1-78,81,101\nnormal.txt\n\n"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    const std::string shown = upperCase(table.string());
    EXPECT_EQ(run.out.substr(0, 6), " Date ");
    EXPECT_TRUE(inOrder(run.out, {",  time ", "\n dragged item is file " + shown + "\n",
                                  " found 1 KVA-files:\n" + shown + "\n",
                                  " found a file of 2 extra diameters:\n 1.00 2.50\n\n",
                                  " Please answer some questions below. Asked parameters are explained\n",
                                  " Choose the days to be processed:\n",
                                  " first day (use 6-digit format YYMMDD) = ",
                                  "  last day (use 6-digit format YYMMDD) = ",
                                  " Please choose the method (0...3) = ",
                                  " please choose smoothing level for negatives n (0...9) = ",
                                  " Please choose total smoothing level k (-1...9) = ",
                                  " fill single gaps (1) or not (0), write 0 or 1 : ",
                                  " Write time step for output table in minutes (1...1440) = ",
                                  " Please choose trimming degree g (0...4) = ",
                                  " Compile Normal table, Fraction table, or Diagram tables (N, F, or D) = ",
                                  " and choose format for time presentation = ",
                                  " Write list of variable numbers = ",
                                  " Please choose name for the output file = ", " Done\n\n Finished ",
                                  ", press ENTER!"}));
    EXPECT_EQ(run.out.find("multiplier"), std::string::npos);  // method 0 asks for none

    const TableText daily = readTable(table);
    const TableText normal = readTable(work / "normal.txt");
    EXPECT_TRUE(normal.allCrLf);
    ASSERT_EQ(normal.lines.size(), 3u + 2 * 12);  // 06:00 to 08:00 in 10-minute lines, two days
    EXPECT_EQ(normal.lines[0], "Fract\tcorrect\tmult-std\tsm-neg\tsm-tot\ttrim");
    EXPECT_EQ(normal.lines[1], "0\t0\t0.0\t0\t0\t1");
    EXPECT_EQ(normal.lines[2], "yyyy-mm-dd hh:nn\t" + daily.lines[2] + "\tED+1.000\tED-1.000");
    EXPECT_EQ(normal.lines[3].substr(0, 31), "2011-12-18 06:05\t111218\t0605\t35");
    EXPECT_EQ(normal.lines[14].substr(0, 29), "2011-12-18 07:55\t111218\t0755\t");
    EXPECT_EQ(normal.lines[15].substr(0, 29), "2011-12-19 06:05\t111219\t0605\t");

    // Each 10-minute line is the mean of two 5-minute lines of the daily
    // table; the date, the counters and the regime come from the earlier one.
    for (size_t g = 0; g < 24; ++g) {
        const std::vector<std::string> out = splitTabs(normal.lines[3 + g]);
        const std::vector<std::string> a = splitTabs(daily.lines[3 + 2 * g]);
        const std::vector<std::string> b = splitTabs(daily.lines[4 + 2 * g]);
        ASSERT_EQ(out.size(), 1u + 78 + 2);
        for (int v = 3; v <= 76; ++v) {
            const double mean = (toNumber(a[v - 1]) + toNumber(b[v - 1])) / 2;
            const double tolerance = 0.5 * std::pow(10.0, -decimalsOf(v)) + 1e-3;
            EXPECT_NEAR(toNumber(out[v]), mean, tolerance) << "line " << g + 1 << ", variable " << v;
        }
        EXPECT_EQ(out[77], a[76]);
        EXPECT_EQ(out[78], a[77]);
    }
}

TEST_F(PostprocessorRun, FractionTableIsTheNormalTableWithFractionsDividedByEight) {
    const std::string list = "\nx\n1-78,81,82,101,102\n";
    const ProcessResult normalRun = runPostprocessor({table.string()}, answersFor("N" + list + "normal.txt\n\n"));
    const ProcessResult fractionRun =
        runPostprocessor({table.string()}, answersFor("F" + list + "fraction.txt\n\n"));
    ASSERT_EQ(normalRun.exitCode, 0);
    ASSERT_EQ(fractionRun.exitCode, 0);

    const TableText normal = readTable(work / "normal.txt");
    const TableText fraction = readTable(work / "fraction.txt");
    ASSERT_EQ(fraction.lines.size(), normal.lines.size());
    EXPECT_EQ(fraction.lines[1], "1\t0\t0.0\t0\t0\t1");
    EXPECT_EQ(fraction.lines[2], normal.lines[2]);  // no time column with "x"
    EXPECT_EQ(fraction.lines[2].substr(0, 12), "YYMMDD\tHHMM\t");
    for (size_t i = 3; i < normal.lines.size(); ++i) {
        const std::vector<std::string> n = splitTabs(normal.lines[i]);
        const std::vector<std::string> f = splitTabs(fraction.lines[i]);
        ASSERT_EQ(n.size(), 82u);
        ASSERT_EQ(f.size(), 82u);
        for (size_t k = 0; k < n.size(); ++k) {
            const int v = k < 78 ? int(k) + 1 : 0;  // 0: an extra diameter
            if ((v >= 9 && v <= 60) || v == 0) {
                // Both are rounded to whole numbers.
                EXPECT_NEAR(toNumber(f[k]), toNumber(n[k]) / 8, 0.5 + 0.5 / 8 + 1e-6) << "column " << k + 1;
            } else {
                EXPECT_EQ(f[k], n[k]) << "column " << k + 1;
            }
        }
    }
}

TEST_F(PostprocessorRun, DiagramTablesOnePerDay) {
    const ProcessResult run = runPostprocessor({table.string()}, answersFor("D\ndiag\n\n"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(inOrder(run.out, {" Diagram tables can be saved directly into the work folder or\n",
                                  " into a subfolder (immediate ENTER stands for the work folder).\n",
                                  " Press ENTER or write a name for the subfolder = ", " Done\n"}));
    EXPECT_EQ(folderEntries(work / "diag"), (std::vector<std::string>{"d111218.xl", "d111219.xl"}));

    for (const char* name : {"d111218.xl", "d111219.xl"}) {
        const TableText diagram = readTable(work / "diag" / name);
        EXPECT_TRUE(diagram.allCrLf);
        ASSERT_EQ(diagram.lines.size(), 145u) << name;
        for (int t = 0; t <= 144; ++t) {
            const std::vector<std::string> f = splitTabs(diagram.lines[t]);
            ASSERT_EQ(f.size(), 21u);
            EXPECT_EQ(f[0], std::to_string(t * 10));
            EXPECT_EQ(diagram.lines[t].find('-'), std::string::npos) << diagram.lines[t];
            EXPECT_EQ(diagram.lines[t].find('.'), std::string::npos) << diagram.lines[t];
            // Data from 06:00 to 08:00; the row at minute 360 is half the
            // first 10-minute line (couple smoothing with the empty one before).
            const bool hasData = t >= 36 && t <= 48;
            EXPECT_EQ(toNumber(f[1]) > 0, hasData) << name << ", row " << t;
        }
    }
}

TEST_F(PostprocessorRun, TwoDraggedItemsCountTheLinesInVariable61) {
    const ProcessResult run = runPostprocessor({table.string(), (work / "_KVA111218.001").string()},
                                               answersFor("N\nx\n61,4\ntwo.txt\n\n"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(inOrder(run.out, {" dragged item is file " + upperCase(table.string()) + "\n",
                                  " NB: special regime initiated by 2 dragged files: var61 = n!\n",
                                  " found 1 KVA-files:\n", " Done\n"}));
    const TableText two = readTable(work / "two.txt");
    ASSERT_EQ(two.lines.size(), 3u + 24);
    EXPECT_EQ(two.lines[2], "n\tT:C");
    for (size_t i = 3; i < two.lines.size(); ++i) EXPECT_EQ(splitTabs(two.lines[i])[0], "2");
}

TEST_F(PostprocessorRun, DailyTableWithABrokenNumberEndsWithAnErrorAndNoOutput) {
    const fs::path broken = dir / "broken";
    fs::create_directories(broken / "diag");
    TableText daily = readTable(table);
    std::vector<std::string> f = splitTabs(daily.lines[10]);
    f[4] = "4x5.1";
    std::string text;
    for (size_t i = 0; i < daily.lines.size(); ++i) {
        std::string line = daily.lines[i];
        if (i == 10) {
            line.clear();
            for (size_t k = 0; k < f.size(); ++k) line += (k ? "\t" : "") + f[k];
        }
        text += line + "\r\n";
    }
    writeFile(broken / "KVA111200.txt", text);
    writeFile(broken / "diag" / "d111218.xl", "old diagram\r\n");

    for (const std::string& kind : {std::string("N\nx\n4\nnormal.txt\n\n"), std::string("D\ndiag\n\n")}) {
        const ProcessResult run = runPostprocessor({(broken / "KVA111200.txt").string()}, answersFor(kind));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err.rfind("KEVORPP: error: ", 0), 0u) << run.err;
        EXPECT_NE(upperCase(run.err).find("KVA111200.TXT"), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.out.find(" Done"), std::string::npos);
        EXPECT_EQ(folderEntries(broken), (std::vector<std::string>{"KVA111200.txt", "diag"}));
        EXPECT_EQ(folderEntries(broken / "diag"), (std::vector<std::string>{"d111218.xl"}));
        EXPECT_EQ(readFile(broken / "diag" / "d111218.xl"), "old diagram\r\n");
    }
}

TEST_F(PostprocessorRun, ForeseenEndsFinishWithTheirMessageAndExitCodeZero) {
    struct Case {
        std::vector<std::string> args;
        std::string answers;
        std::string message;
    };
    const std::string missing = (dir / "missing.txt").string();
    const std::vector<Case> cases = {
        {{}, "\n", "\n The program can be launched only dragging a proper icon\n"
                   " (or a pair of icons) onto the icon of the program file.\n"},
        {{missing}, "\n", " dragged item is unknown " + upperCase(missing) + "\n Nothing to process!\n"},
        {{(work / "diameters.txt").string()}, "\n", " This is not a KVA-file!\n"},
        {{table.string()}, "\n", " first day (use 6-digit format YYMMDD) =  break\n"},
        {{table.string()}, "111201\n111201\n0\n0\n0\n0\n10\n1\nN\nx\n4\nnone.txt\n\n",
         " No data in asked date interval\n"},
    };
    for (const Case& c : cases) {
        const ProcessResult run = runPostprocessor(c.args, c.answers);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_TRUE(inOrder(run.out, {c.message, "\n Finished ", ", press ENTER!"}));
    }
    EXPECT_FALSE(fs::exists(work / "none.txt"));
}

// On a terminal the run sets its title and bright yellow on blue; whether
// it ends by itself or by Ctrl+C, the terminal gets its own colours and
// title back (the shell would stay yellow on blue otherwise).
TEST_F(PostprocessorRun, TerminalGetsItsColoursAndTitleBackAtEveryEnd) {
    const std::string dressed = "\033[93;44m";
    const std::string restored = "\033[0m\033[23;0t";
    auto endsRestored = [&](const std::string& shown) {
        return shown.find(dressed) != std::string::npos && shown.size() >= restored.size() &&
               shown.compare(shown.size() - restored.size(), restored.size(), restored) == 0;
    };

    const ProcessResult finished = runInTerminal(KEVORPP_PATH, {}, dir.string(), "press ENTER!", "\r");
    EXPECT_EQ(finished.exitCode, 0);
    EXPECT_TRUE(endsRestored(finished.out)) << finished.out;

    const ProcessResult interrupted =
        runInTerminal(KEVORPP_PATH, {table.string()}, dir.string(), "(use 6-digit format YYMMDD) = ", "\x03");
    EXPECT_EQ(interrupted.signal, SIGINT);
    EXPECT_TRUE(endsRestored(interrupted.out)) << interrupted.out;
}

}  // namespace
}  // namespace e2e
