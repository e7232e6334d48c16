#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "postprocessor/output/stages.hpp"
#include "stage_run.hpp"

using namespace postprocessor;
using stage_test::StageRun;
using stage_test::TempFolder;

namespace {

// A grid as the averaging leaves it, for Diagram tables of 2011-12-20 on.
struct DiagramCase : StageRun {
    TempFolder folder;
    DiagramCase(int stepMinutes, int smoothing, int days = 1)
        : StageRun(platform::encodeDate(2011, 12, 20), days, stepMinutes) {
        run.params.tableKind = 'D';
        run.params.totalSmoothingLevel = smoothing;
        run.params.diagramFolder = {folder.folder(), folder.folder()};
        for (int g = 1; g <= run.params.outputLineCount; ++g) clearLine(g);
    }
    void clearLine(int g) {
        for (int col = 1; col <= 78; ++col) grid(g, col) = 0;
    }
    // Output line g with data; D fraction j (1..20) holds base + j.
    void setLine(int g, float base) {
        grid(g, 1) = 111220;
        for (int j = 1; j <= 20; ++j) grid(g, 8 + j) = base + static_cast<float>(j);
    }
    void setDay(float baseStep) {
        for (int g = 1; g <= run.params.outputLineCount; ++g) setLine(g, static_cast<float>(g) * baseStep);
    }
    std::string path(const char* name = "d111220.xl") const { return folder.file(name); }
    bool written(const char* name = "d111220.xl") const { return std::filesystem::exists(path(name)); }
    // The rows of a written table, each split into its fields.
    std::vector<std::vector<std::string>> rows(const char* name = "d111220.xl") const {
        const std::string text = stage_test::readFile(path(name));
        std::vector<std::vector<std::string>> result;
        size_t start = 0;
        while (start < text.size()) {
            const size_t end = text.find("\r\n", start);
            if (end == std::string::npos) {
                ADD_FAILURE() << "line without CR LF";
                break;
            }
            std::vector<std::string> fields;
            size_t f = start;
            for (;;) {
                const size_t tab = text.find('\t', f);
                if (tab == std::string::npos || tab > end) {
                    fields.push_back(text.substr(f, end - f));
                    break;
                }
                fields.push_back(text.substr(f, tab - f));
                f = tab + 1;
            }
            result.push_back(fields);
            start = end + 2;
        }
        return result;
    }
};

std::string num(double v) { return std::to_string(static_cast<long long>(v)); }

}  // namespace

TEST(DiagramTables, TenMinuteStepWithCoupleSmoothing) {
    DiagramCase c(10, 0);
    c.setDay(10);  // output line g: fractions 10 g + j
    writeDiagramTables(c.run);
    const auto rows = c.rows();
    ASSERT_EQ(rows.size(), 145u);
    for (int t = 0; t <= 144; ++t) {
        ASSERT_EQ(rows[t].size(), 21u) << t;
        EXPECT_EQ(rows[t][0], num(t * 10)) << t;
    }
    EXPECT_EQ(rows[0][1], "11");       // the first output line as it is
    EXPECT_EQ(rows[1][1], "16");       // (11 + 21) / 2: the lines ending and beginning at 00:10
    EXPECT_EQ(rows[143][20], "1455");  // (1450 + 1460) / 2
    EXPECT_EQ(rows[144][1], "1441");   // 24:00: the last output line unsmoothed
    EXPECT_EQ(rows[144][20], "1460");
}

TEST(DiagramTables, WithoutCoupleSmoothingEachRowIsItsOutputLine) {
    DiagramCase c(10, -1);
    c.setDay(10);
    writeDiagramTables(c.run);
    const auto rows = c.rows();
    ASSERT_EQ(rows.size(), 145u);
    for (int t = 0; t < 144; ++t) EXPECT_EQ(rows[t][3], num(10 * (t + 1) + 3)) << t;
    EXPECT_EQ(rows[144][3], "1443");
}

TEST(DiagramTables, DailyStepGivesTwoEqualLines) {
    DiagramCase c(1440, 0);
    c.setLine(1, 5);
    writeDiagramTables(c.run);
    const auto rows = c.rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], "0");
    EXPECT_EQ(rows[1][0], "1440");
    for (int j = 1; j <= 20; ++j) EXPECT_EQ(rows[0][j], rows[1][j]);

    DiagramCase empty(1440, 0);
    empty.setLine(1, 5);
    empty.grid(1, 9) = 0;  // the first "D+" fraction decides
    writeDiagramTables(empty.run);
    EXPECT_FALSE(empty.written());
}

TEST(DiagramTables, GapsUpToAnHourAreBridged) {
    // 5-minute step without couple smoothing: 12 empty rows are bridged, 13 not.
    DiagramCase c(5, -1);
    c.setDay(0);
    for (int g = 11; g <= 22; ++g) c.clearLine(g);   // rows 10..21
    for (int g = 101; g <= 113; ++g) c.clearLine(g);  // rows 100..112
    c.grid(10, 9) = 100;                               // row 9, before the short gap
    c.grid(23, 9) = 230;                               // row 22, after it
    writeDiagramTables(c.run);
    const auto rows = c.rows();
    ASSERT_EQ(rows.size(), 289u);
    // Linear between rows 9 and 22 (L = 13): row 9 + k holds 100 + 130 k / 13.
    for (int k = 1; k <= 12; ++k) EXPECT_EQ(rows[9 + k][1], num(100 + 10 * k)) << k;
    EXPECT_EQ(rows[15][2], "2");
    for (int t = 100; t <= 112; ++t) EXPECT_EQ(rows[t][1], "0") << t;
}

TEST(DiagramTables, CoupleSmoothingCarriesDataIntoAGap) {
    // 13 empty output lines; couple smoothing gives their first row half of
    // the row before and the row after them half of the next, so 12 rows
    // remain to bridge.
    DiagramCase c(5, 0);
    c.setDay(0);
    for (int g = 101; g <= 113; ++g) c.clearLine(g);  // rows 100..112
    c.grid(100, 9) = 40;   // row 99
    c.grid(114, 9) = 300;  // row 113, smoothed with row 112 (empty): 150
    writeDiagramTables(c.run);
    const auto rows = c.rows();
    EXPECT_EQ(rows[100][1], "20");  // (40 + 0) / 2
    EXPECT_EQ(rows[113][1], "150");
    EXPECT_EQ(rows[106][1], "80");  // 20 + (150 - 20) × 6 / 13
}

TEST(DiagramTables, OneHourOfDataIsNeeded) {
    DiagramCase enough(5, -1);
    for (int g = 1; g <= 12; ++g) enough.setLine(g, 1);  // 12 rows × 5 minutes
    writeDiagramTables(enough.run);
    EXPECT_TRUE(enough.written());

    DiagramCase fewer(5, -1);
    for (int g = 1; g <= 11; ++g) fewer.setLine(g, 1);
    writeDiagramTables(fewer.run);
    EXPECT_FALSE(fewer.written());

    // The last output line counts twice: its own row and the 24:00 row.
    DiagramCase late(5, -1);
    for (int g = 278; g <= 288; ++g) late.setLine(g, 1);
    writeDiagramTables(late.run);
    EXPECT_TRUE(late.written());
}

TEST(DiagramTables, NoNegativeValuesAndNoNegativeZero) {
    DiagramCase c(60, -1);
    c.setDay(1);
    c.grid(3, 12) = -7;
    c.grid(4, 13) = -0.0f;
    c.grid(5, 14) = -0.4f;
    c.grid(24, 28) = -0.2f;
    writeDiagramTables(c.run);
    const std::string text = stage_test::readFile(c.path());
    EXPECT_EQ(text.find('-'), std::string::npos);
    const auto rows = c.rows();
    EXPECT_EQ(rows[2][4], "0");
    EXPECT_EQ(rows[3][5], "0");
    EXPECT_EQ(rows[24][20], "0");
    EXPECT_EQ(rows.size(), 25u);
}

TEST(DiagramTables, OneFilePerDayWithData) {
    DiagramCase c(60, 0, 3);
    for (int g = 1; g <= 24; ++g) c.setLine(g, 1);   // 2011-12-20
    for (int g = 49; g <= 72; ++g) c.setLine(g, 2);  // 2011-12-22
    c.run.params.diagramFolder.real = c.folder.folder() + "sub";
    std::filesystem::create_directories(c.folder.path / "sub");
    writeDiagramTables(c.run);
    EXPECT_TRUE(std::filesystem::exists(c.folder.path / "sub" / "d111220.xl"));
    EXPECT_FALSE(std::filesystem::exists(c.folder.path / "sub" / "d111221.xl"));
    EXPECT_TRUE(std::filesystem::exists(c.folder.path / "sub" / "d111222.xl"));
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(c.folder.path / "sub")) (void)entry, ++entries;
    EXPECT_EQ(entries, 2u);  // no temporary files left
}
