#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/run_error.hpp"
#include "postprocessor/output/stages.hpp"
#include "postprocessor/output/table_text.hpp"
#include "stage_run.hpp"

using namespace postprocessor;

namespace {

// Hourly output lines on 2011-12-20 with data in lines 1 and 3.
struct TableCase : stage_test::StageRun {
    stage_test::TempFolder folder;
    explicit TableCase(const std::vector<int>& variables = {1, 2, 3}, std::string timeFormat = "yyyy-mm-dd hh:nn") {
        float* a = addLine(10);
        float* b = addLine(150);
        for (int col = 3; col <= 78; ++col) a[col - 1] = col + 0.25f, b[col - 1] = col * 10.0f;
        run.params.outputFileName.real = folder.file("out.txt");
        run.params.timeFormat = std::move(timeFormat);
        select(variables);
        run.input.extraDiameterCount = 1;
        run.input.extraDiameters[1] = 1.0;
        averageOntoGrid(run);
    }
    // The written lines, fields joined again by tabs.
    std::vector<std::string> write() {
        writeNormalOrFractionTable(run);
        std::vector<std::string> lines;
        for (const auto& fields : stage_test::readTable(folder.file("out.txt"))) {
            std::string& line = lines.emplace_back();
            for (size_t i = 0; i < fields.size(); ++i) line += (i > 0 ? "\t" : "") + fields[i];
        }
        return lines;
    }
};

std::vector<int> range(int first, int last) {
    std::vector<int> v;
    for (int i = first; i <= last; ++i) v.push_back(i);
    return v;
}

}  // namespace

TEST(NormalTable, HeadLinesAndDataLines) {
    TableCase c;
    RunParameters& p = c.run.params;
    p.correctionMethod = 3, p.outlierMultiplier = 4, p.negativeSmoothingLevel = 2;
    p.totalSmoothingLevel = -1, p.trimmingDegree = 5;
    c.run.variables.variableNames[3] = "DAY";
    const auto lines = c.write();
    ASSERT_EQ(lines.size(), 5u);  // output line 2 has no data: no line at all
    EXPECT_EQ(lines[0], "Fract\tcorrect\tmult-std\tsm-neg\tsm-tot\ttrim");
    EXPECT_EQ(lines[1], "0\t3\t4.0\t2\t-1\t5");
    EXPECT_EQ(lines[2], "yyyy-mm-dd hh:nn\tc1\tc2\tDAY");
    EXPECT_EQ(lines[3], "2011-12-20 00:30\t111220\t0030\t3.2500");
    EXPECT_EQ(lines[4], "2011-12-20 02:30\t111220\t0230\t30.0000");
}

TEST(NormalTable, VariablesAndTheirText) {
    TableCase c({3, 4, 5, 7, 61, 66, 75, 77, 10, 1, 2}, "x");
    c.grid(3, 10) = -0.3f;  // a Normal table keeps the minus of a small negative
    c.grid(1, 1) = 90101;
    const auto lines = c.write();
    EXPECT_EQ(lines[2], "c3\tc4\tc5\tc7\tc61\tc66\tc75\tc77\tc10\tc1\tc2");  // "x": no time column
    EXPECT_EQ(lines[3], "3.2500\t4.25\t5.3\t7\t61.3\t66.25\t75.25\t77\t10\t090101\t0030");
    EXPECT_EQ(lines[4].substr(lines[4].find("\t770\t") + 5), "-0\t111220\t0230");

    TableCase two({61});  // the two-file regime: the line count, 0 decimals
    two.run.input.twoFileRegime = true;
    two.run.variables.variableDecimals[61] = 0;
    averageOntoGrid(two.run);
    EXPECT_EQ(two.write()[3], "2011-12-20 00:30\t1");
}

TEST(NormalTable, TimeFormatsAndSlotMiddles) {
    const std::string dayNumber = std::to_string(static_cast<int>(platform::encodeDate(2011, 12, 20)));
    const std::pair<std::string, std::string> cases[] = {
        {"j", "354"}, {"j.f", "354.0208"}, {"t.f", dayNumber + ".0208"}, {"", "2011-12-20 00:30:00"},
        {"dd/mm/yy hh:mm", "20-12-11 00:30"},  // '/' is the run's "-"; mm after hh: minutes
    };
    for (const auto& [format, text] : cases) {
        TableCase c({3}, format);
        const auto lines = c.write();
        EXPECT_EQ(lines[2], format + "\tc3") << format;
        EXPECT_EQ(lines[3], text + "\t3.2500") << format;
    }
    stage_test::StageRun hourly(60, 2), minute(1), day(1440, 2);
    auto at = [](const stage_test::StageRun& s, int g) { return platform::formatDateTime("yymmdd hh:nn:ss", slotMiddleTime(s.run.params, g)); };
    EXPECT_EQ(at(hourly, 25), "111221 00:30:00");
    EXPECT_EQ(at(minute, 1440), "111220 23:59:30");
    EXPECT_EQ(at(day, 2), "111221 12:00:00");
}

TEST(FractionTable, OneEighthOfTheNormalTable) {
    std::vector<int> all = range(1, 78);
    all.push_back(81), all.push_back(101);
    TableCase normal(all), fraction(all);
    fraction.run.params.tableKind = 'F';
    for (TableCase* c : {&normal, &fraction})
        for (int col = 9; col <= 60; ++col) c->grid(3, col) = col * 8.0f;
    normal.write(), fraction.write();
    const auto n = stage_test::readTable(normal.folder.file("out.txt"));
    const auto f = stage_test::readTable(fraction.folder.file("out.txt"));
    EXPECT_EQ(n[1][0], "0");
    EXPECT_EQ(f[1][0], "1");
    EXPECT_EQ(n[2], f[2]);
    for (int v = 1; v <= 78; ++v) {
        const bool divided = v >= 9 && v <= 60;
        EXPECT_EQ(f[4][v], divided ? std::to_string(v) : n[4][v]) << v;
    }
    // 1.0 nm: halfway above fraction 3 of each group (8 × 11.5, 8 × 21.5).
    EXPECT_EQ(n[4][79] + " " + n[4][80], "92 172");
    EXPECT_EQ(f[4][79] + " " + f[4][80], "12 22");
}

TEST(ExtraDiameters, Interpolation) {
    stage_test::StageRun s;
    float row[78] = {};
    for (int col = 9; col <= 28; ++col) row[col - 1] = col * col * 1.5f;
    s.run.input.extraDiameterCount = 9;  // at the grid diameters: the fraction itself
    for (int i = 2; i <= 9; ++i) s.run.input.extraDiameters[i] = std::exp(s.run.logDiameterGrid[i]);
    for (int i = 2; i <= 9; ++i) {
        EXPECT_NEAR(extraDiameterValue(s.run, row, 80 + i), row[8 + i - 1], 1e-9) << i;
        EXPECT_NEAR(extraDiameterValue(s.run, row, 100 + i), row[18 + i - 1], 1e-9) << i;
    }
    s.run.input.extraDiameters[1] = 1.0;  // centre fraction 3, u = 0.5
    row[10 - 1] = 10, row[11 - 1] = 40, row[12 - 1] = 20;
    EXPECT_NEAR(extraDiameterValue(s.run, row, 81), 40 + 0.5 * (20 - 10) / 2 + 0.25 * (15 - 40), 1e-12);
    s.run.input.extraDiameters[1] = 0.5;  // still centred on fraction 2
    const double u = (std::log(0.5) - s.run.logDiameterGrid[2]) / (std::log(10.0) / 8);
    EXPECT_NEAR(extraDiameterValue(s.run, row, 81), quadraticInterpolation(40, 10, row[9 - 1], 1, 0, u), 1e-9);
}

TEST(ExtraDiameters, UndefinedDiameterEndsTheRunWithoutATable) {
    TableCase c({3, 81, 102});
    { std::ofstream(c.folder.file("out.txt")) << "older table"; }
    EXPECT_THROW(writeNormalOrFractionTable(c.run), platform::RunEnded);
    EXPECT_EQ(c.consoleText().rfind(" extra diameter not defined\n\n Finished ", 0), 0u) << c.consoleText();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(c.folder.path), {}), 1);  // no temporary
    std::string text;
    EXPECT_TRUE(platform::readWholeFile(c.folder.file("out.txt"), text));
    EXPECT_EQ(text, "older table");
}
