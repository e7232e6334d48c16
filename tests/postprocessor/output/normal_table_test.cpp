#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/run_error.hpp"
#include "postprocessor/output/stages.hpp"
#include "postprocessor/output/table_text.hpp"
#include "stage_run.hpp"

using namespace postprocessor;
using stage_test::StageRun;
using stage_test::TempFolder;

namespace {

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
        if (end == std::string::npos) break;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// An hourly grid for 2011-12-20 with data in output lines 1 and 3, written
// to a table in a temporary folder.
struct TableCase : StageRun {
    TempFolder folder;
    TableCase() {
        float* a = addLine(run.params.firstDay + 10 / 1440.0);
        float* b = addLine(run.params.firstDay + 150 / 1440.0);
        for (int col = 3; col <= 78; ++col) {
            a[col - 1] = static_cast<float>(col) + 0.25f;
            b[col - 1] = static_cast<float>(col * 10);
        }
        run.params.outputFileName = {folder.file("OUT.TXT"), folder.file("out.txt")};
        run.params.timeFormat = "yyyy-mm-dd hh:nn";
        select({1, 2, 3});
        averageOntoGrid(run);
    }
    void select(std::initializer_list<int> variables) {
        run.params.selectedVariableCount = 0;
        for (int v : variables) run.params.selectedVariables[++run.params.selectedVariableCount] = v;
    }
    void selectRange(int first, int last) {
        run.params.selectedVariableCount = 0;
        for (int v = first; v <= last; ++v) run.params.selectedVariables[++run.params.selectedVariableCount] = v;
    }
    std::vector<std::string> write() {
        writeNormalOrFractionTable(run);
        return splitLines(stage_test::readFile(folder.file("out.txt")));
    }
    std::vector<std::string> fields(const std::string& line) const {
        std::vector<std::string> parts;
        size_t start = 0;
        for (;;) {
            const size_t tab = line.find('\t', start);
            parts.push_back(line.substr(start, tab - start));
            if (tab == std::string::npos) return parts;
            start = tab + 1;
        }
    }
};

}  // namespace

TEST(NormalTable, HeadLinesAndDataLines) {
    TableCase c;
    c.run.params.correctionMethod = 3;
    c.run.params.outlierMultiplier = 4;
    c.run.params.negativeSmoothingLevel = 2;
    c.run.params.totalSmoothingLevel = -1;
    c.run.params.trimmingDegree = 5;
    const auto lines = c.write();
    ASSERT_EQ(lines.size(), 5u);  // output line 2 has no data and is not written
    EXPECT_EQ(lines[0], "Fract\tcorrect\tmult-std\tsm-neg\tsm-tot\ttrim");
    EXPECT_EQ(lines[1], "0\t3\t4.0\t2\t-1\t5");
    EXPECT_EQ(lines[2], "yyyy-mm-dd hh:nn\tc1\tc2\tc3");
    EXPECT_EQ(lines[3], "2011-12-20 00:30\t111220\t0030\t3.2500");
    EXPECT_EQ(lines[4], "2011-12-20 02:30\t111220\t0230\t30.0000");
}

TEST(NormalTable, ValuesWithTheirDecimals) {
    TableCase c;
    c.selectRange(3, 78);
    const auto lines = c.write();
    const auto first = c.fields(lines[3]);
    ASSERT_EQ(first.size(), 77u);
    auto field = [&](int v) { return first[v - 3 + 1]; };
    EXPECT_EQ(field(3), "3.2500");
    EXPECT_EQ(field(4), "4.25");
    EXPECT_EQ(field(5), "5.3");   // 5.25 rounds away from zero
    EXPECT_EQ(field(7), "7");
    EXPECT_EQ(field(9), "9");
    EXPECT_EQ(field(61), "61.3");
    EXPECT_EQ(field(66), "66.25");
    EXPECT_EQ(field(76), "76.25");
    EXPECT_EQ(field(77), "77");
}

TEST(NormalTable, DateCodeIsSixDigits) {
    TableCase c;
    c.grid(1, 1) = 90101;
    c.select({1});
    c.run.params.timeFormat = "x";
    const auto lines = c.write();
    EXPECT_EQ(lines[2], "c1");  // no time head either
    EXPECT_EQ(lines[3], "090101");
}

TEST(NormalTable, TimeFormats) {
    struct Case {
        const char* format;
        const char* head;
        const char* first;
    };
    const double day = platform::encodeDate(2011, 12, 20);
    const std::string dayNumber = std::to_string(static_cast<int>(day));
    for (const Case& k : std::initializer_list<Case>{
             {"j", "j\tc3", "354\t3.2500"},
             {"j.f", "j.f\tc3", "354.0208\t3.2500"},
             {"t.f", "t.f\tc3", nullptr},
             {"", "\tc3", "2011-12-20 00:30:00\t3.2500"},
             {"dd/mm/yy hh:mm", "dd/mm/yy hh:mm\tc3", "20-12-11 00:30\t3.2500"},
             {"x", "c3", "3.2500"}}) {
        TableCase c;
        c.select({3});
        c.run.params.timeFormat = k.format;
        const auto lines = c.write();
        EXPECT_EQ(lines[2], k.head) << k.format;
        EXPECT_EQ(lines[3], k.first ? std::string(k.first) : dayNumber + ".0208\t3.2500") << k.format;
    }
}

TEST(NormalTable, SlotMiddleTimes) {
    StageRun s(platform::encodeDate(2011, 12, 20), 2, 60);
    EXPECT_EQ(platform::formatDateTime("hhnn", slotMiddleTime(s.run.params, 1)), "0030");
    EXPECT_EQ(platform::formatDateTime("yymmdd hhnn", slotMiddleTime(s.run.params, 25)), "111221 0030");
    s.setStep(1);
    EXPECT_EQ(platform::formatDateTime("hh:nn:ss", slotMiddleTime(s.run.params, 1440)), "23:59:30");
    s.setStep(1440);
    EXPECT_EQ(platform::formatDateTime("hhnn", slotMiddleTime(s.run.params, 2)), "1200");
}

TEST(FractionTable, OneEighthOfTheNormalTable) {
    TableCase normal, fraction;
    for (TableCase* c : {&normal, &fraction}) {
        c->run.input.extraDiameterCount = 1;
        c->run.input.extraDiameters[1] = 1.0;
        c->run.variables.variableNames[81] = "ED+1.000";
        c->run.variables.variableNames[101] = "ED-1.000";
        c->selectRange(1, 78);
        c->run.params.selectedVariables[79] = 81;
        c->run.params.selectedVariables[80] = 101;
        c->run.params.selectedVariableCount = 80;
        for (int col = 9; col <= 60; ++col) c->grid(3, col) = static_cast<float>(col * 8);
    }
    fraction.run.params.tableKind = 'F';
    const auto n = normal.write();
    const auto f = fraction.write();
    ASSERT_EQ(n.size(), f.size());
    EXPECT_EQ(f[1].substr(0, 2), "1\t");
    EXPECT_EQ(n[1].substr(0, 2), "0\t");
    EXPECT_EQ(n[2], f[2]);
    const auto nf = normal.fields(n[4]), ff = fraction.fields(f[4]);
    ASSERT_EQ(nf.size(), 81u);
    for (int v = 1; v <= 78; ++v) {
        if (v >= 9 && v <= 60) {
            EXPECT_EQ(nf[v], std::to_string(v * 8)) << v;
            EXPECT_EQ(ff[v], std::to_string(v)) << v;
        } else {
            EXPECT_EQ(nf[v], ff[v]) << v;
        }
    }
    // At 1.0 nm, between fractions 3 and 4 of each group.
    EXPECT_EQ(nf[79], "92");   // 8 × 11.5 (columns 10, 11, 12: 80, 88, 96)
    EXPECT_EQ(ff[79], "12");   // 11.5 rounds away from zero
    EXPECT_EQ(nf[80], "172");  // columns 20, 21, 22
    EXPECT_EQ(ff[80], "22");   // 21.5
}

TEST(ExtraDiameters, AtGridPointsTheFractionItself) {
    StageRun s;
    float row[78] = {};
    for (int col = 9; col <= 28; ++col) row[col - 1] = static_cast<float>(col * col) * 1.5f;
    for (int i = 2; i <= 9; ++i) {
        s.run.input.extraDiameters[i] = std::exp(s.run.logDiameterGrid[i]);
        s.run.input.extraDiameterCount = i;
        EXPECT_NEAR(extraDiameterValue(s.run, row, 80 + i), row[8 + i - 1], 1e-9) << i;
        EXPECT_NEAR(extraDiameterValue(s.run, row, 100 + i), row[18 + i - 1], 1e-9) << i;
    }
}

TEST(ExtraDiameters, OneNanometreIsHalfwayAboveFractionThree) {
    StageRun s;
    s.run.input.extraDiameterCount = 1;
    s.run.input.extraDiameters[1] = 1.0;
    float row[78] = {};
    row[10 - 1] = 10, row[11 - 1] = 40, row[12 - 1] = 20;  // fractions 2, 3, 4 of "D+"
    // u = 0.5 around fraction 3: 40 + 0.5 × (20 - 10) / 2 + 0.25 × (15 - 40).
    EXPECT_NEAR(extraDiameterValue(s.run, row, 81), 40 + 2.5 - 6.25, 1e-12);
    EXPECT_EQ(quadraticInterpolation(3, 2, 1, 1, 0, 1), 3.0);
    EXPECT_EQ(quadraticInterpolation(3, 2, 1, 1, 0, -1), 1.0);
    EXPECT_EQ(quadraticInterpolation(5, 0, 5, 2, 1, 3), 5.0);  // u = 1 on a parabola
    // The lowest diameter still centres on fraction 2, the highest on 9.
    s.run.input.extraDiameters[1] = 0.5;
    row[9 - 1] = 100;
    const double u = (std::log(0.5) - s.run.logDiameterGrid[2]) / (std::log(10.0) / 8);
    EXPECT_NEAR(extraDiameterValue(s.run, row, 81), quadraticInterpolation(40, 10, 100, 1, 0, u), 1e-9);
}

TEST(ExtraDiameters, UndefinedDiameterEndsTheRunWithoutATable) {
    TableCase c;
    c.run.input.extraDiameterCount = 2;
    c.run.input.extraDiameters[1] = c.run.input.extraDiameters[2] = 1.5;
    c.select({3, 82, 103});
    EXPECT_THROW(writeNormalOrFractionTable(c.run), platform::RunEnded);
    EXPECT_EQ(c.consoleText().rfind(" extra diameter not defined\n\n Finished ", 0), 0u) << c.consoleText();
    EXPECT_TRUE(std::filesystem::is_empty(c.folder.path));  // neither the table nor its temporary
}

TEST(NormalTable, LineCountColumnInTheTwoFileRegime) {
    TableCase c;
    c.run.input.twoFileRegime = true;
    c.run.variables.variableDecimals[61] = 0;
    c.run.variables.variableNames[61] = "n";
    averageOntoGrid(c.run);
    c.select({61});
    const auto lines = c.write();
    EXPECT_EQ(lines[2], "yyyy-mm-dd hh:nn\tn");
    EXPECT_EQ(lines[3], "2011-12-20 00:30\t1");
}

TEST(NormalTable, ReplacesAnExistingFile) {
    TableCase c;
    { std::ofstream(c.folder.file("out.txt")) << "old"; }
    const auto lines = c.write();
    EXPECT_EQ(lines.size(), 5u);
}
