#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "postprocessor/output/stages.hpp"
#include "stage_run.hpp"

using namespace postprocessor;
using stage_test::StageRun;

namespace {

// A grid as the averaging leaves it, for Diagram tables from 2011-12-20 on.
struct DiagramCase : StageRun {
    stage_test::TempFolder folder;
    DiagramCase(int stepMinutes, int smoothing, int days = 1) : StageRun(stepMinutes, days) {
        run.params.tableKind = 'D';
        run.params.totalSmoothingLevel = smoothing;
        run.params.diagramFolder.real = folder.path.string() + platform::pathSeparator;
        for (int g = 1; g <= run.params.outputLineCount; ++g) clearLines(g, g);
    }
    void clearLines(int from, int to) {
        for (int g = from; g <= to; ++g)
            for (int col = 1; col <= 78; ++col) grid(g, col) = 0;
    }
    // Output lines with data: D fraction j (1..20) holds base + j.
    void setLines(int from, int to, float base, float perLine = 0) {
        for (int g = from; g <= to; ++g) {
            grid(g, 1) = 111220;
            for (int j = 1; j <= 20; ++j) grid(g, 8 + j) = base + perLine * g + j;
        }
    }
    bool written() const { return std::filesystem::exists(folder.file("d111220.xl")); }
    std::vector<std::vector<std::string>> rows() {
        writeDiagramTables(run);
        return stage_test::readTable(folder.file("d111220.xl"));
    }
};

}  // namespace

TEST(DiagramTables, TenMinuteStep) {
    for (int smoothing : {0, -1}) {
        DiagramCase c(10, smoothing);
        c.setLines(1, 144, 0, 10);  // output line g: 10 g + j
        const auto rows = c.rows();
        ASSERT_EQ(rows.size(), 145u);
        for (int t = 0; t <= 144; ++t) {
            ASSERT_EQ(rows[t].size(), 21u);
            EXPECT_EQ(rows[t][0], std::to_string(t * 10));
        }
        EXPECT_EQ(rows[0][1], "11");      // the first output line
        EXPECT_EQ(rows[144][1], "1441");  // 24:00: the last output line, unsmoothed
        // Couple smoothing: the mean of the output lines ending and beginning
        // at the row's minute; without it, the line beginning there.
        EXPECT_EQ(rows[1][1], smoothing == 0 ? "16" : "21");
        EXPECT_EQ(rows[143][20], smoothing == 0 ? "1455" : "1460");
    }
}

TEST(DiagramTables, DailyStepGivesTwoEqualLines) {
    DiagramCase c(1440, 0);
    c.setLines(1, 1, 5);
    const auto rows = c.rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], "0");
    EXPECT_EQ(rows[1][0], "1440");
    for (int j = 1; j <= 20; ++j) EXPECT_EQ(rows[0][j], rows[1][j]);

    DiagramCase empty(1440, 0);
    empty.setLines(1, 1, 5);
    empty.grid(1, 9) = 0;  // the first "D+" fraction decides
    writeDiagramTables(empty.run);
    EXPECT_FALSE(empty.written());
}

TEST(DiagramTables, GapsUpToAnHourAreBridged) {
    DiagramCase c(5, -1);  // 5-minute step, no couple smoothing
    c.setLines(1, 288, 0);
    c.clearLines(11, 22);    // rows 10..21: 12 rows, bridged
    c.clearLines(101, 113);  // rows 100..112: 13 rows, not
    c.grid(10, 9) = 100, c.grid(23, 9) = 230;
    const auto rows = c.rows();
    for (int k = 1; k <= 12; ++k) EXPECT_EQ(rows[9 + k][1], std::to_string(100 + 10 * k)) << k;
    for (int t = 100; t <= 112; ++t) EXPECT_EQ(rows[t][1], "0") << t;

    // With couple smoothing the rows at both ends of 13 empty output lines
    // carry half a neighbour each, leaving 12 rows to bridge.
    DiagramCase s(5, 0);
    s.setLines(1, 288, 0);
    s.clearLines(101, 113);
    s.grid(100, 9) = 40, s.grid(114, 9) = 300;
    const auto smoothed = s.rows();
    EXPECT_EQ(smoothed[100][1], "20");
    EXPECT_EQ(smoothed[106][1], "80");  // 20 + (150 - 20) × 6 / 13
    EXPECT_EQ(smoothed[113][1], "150");
}

TEST(DiagramTables, OneHourOfDataIsNeeded) {
    DiagramCase enough(5, -1), fewer(5, -1), late(5, -1);
    enough.setLines(1, 12, 1);  // 12 rows of 5 minutes
    fewer.setLines(1, 11, 1);
    late.setLines(278, 288, 1);  // 11 output lines, the last also at 24:00
    for (DiagramCase* c : {&enough, &fewer, &late}) writeDiagramTables(c->run);
    EXPECT_TRUE(enough.written());
    EXPECT_FALSE(fewer.written());
    EXPECT_TRUE(late.written());
}

TEST(DiagramTables, NoNegativeValuesAndNoNegativeZero) {
    DiagramCase c(60, -1);
    c.setLines(1, 24, 1);
    c.grid(3, 12) = -7, c.grid(4, 13) = -0.0f, c.grid(5, 14) = -0.4f, c.grid(24, 28) = -0.2f;
    const auto rows = c.rows();
    for (const auto& row : rows)
        for (const auto& field : row) EXPECT_EQ(field.find('-'), std::string::npos);
    EXPECT_EQ(rows[2][4], "0");
    EXPECT_EQ(rows[24][20], "0");
}

TEST(DiagramTables, OneFilePerDayWithData) {
    DiagramCase c(60, 0, 3);
    c.setLines(1, 24, 1);   // 2011-12-20
    c.setLines(49, 72, 2);  // 2011-12-22; 2011-12-21 has none
    const auto sub = c.folder.path / "sub";
    std::filesystem::create_directories(sub);
    c.run.params.diagramFolder.real = sub.string();  // without a closing separator
    writeDiagramTables(c.run);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(sub)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"d111220.xl", "d111222.xl"}));  // no temporaries
}
