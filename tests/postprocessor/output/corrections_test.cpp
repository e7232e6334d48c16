#include <gtest/gtest.h>

#include <vector>

#include "platform/run_error.hpp"
#include "postprocessor/output/stages.hpp"
#include "stage_run.hpp"

using namespace postprocessor;
using stage_test::StageRun;

namespace {

// Lines of zeros, one a minute; lines 2..n-1 are examined.
struct Field : StageRun {
    explicit Field(int lines) {
        for (int i = 0; i < lines; ++i) addLine(i);
        markInnerLines();
        run.params.outlierMultiplier = 3;
    }
};

// (2, col) after correctOutliers, its eight neighbours given in the scan
// order: column col - 1 in lines 1, 2, 3; col in lines 1, 3; col + 1 in 1, 2, 3.
float corrected(int col, std::vector<float> neighbours, float x, float multiplier = 3) {
    Field f(3);
    f.run.params.outlierMultiplier = multiplier;
    const int cells[8][2] = {{1, -1}, {2, -1}, {3, -1}, {1, 0}, {3, 0}, {1, 1}, {2, 1}, {3, 1}};
    for (int i = 0; i < 8; ++i) f.value(cells[i][0], col + cells[i][1]) = neighbours[i];
    f.value(2, col) = x;
    correctOutliers(f.run);
    return f.value(2, col);
}

}  // namespace

TEST(CorrectOutliers, Examples) {
    struct Case {
        int col;
        std::vector<float> neighbours;
        float x, multiplier, expected;
    } cases[] = {
        // 9 and 50 left out: mean 67/6, std about 1.067, limit about 3.2.
        {30, {10, 12, 11, 13, 9, 50, 10, 11}, 20, 3, 11},
        {30, {10, 12, 11, 13, 9, 50, 10, 11}, 14, 3, 14},
        // Six left: mean 11, std exactly 1; exactly at the limit is no outlier.
        {15, {0, 10, 10, 10, 12, 12, 12, 100}, 14, 3, 14},
        {15, {0, 10, 10, 10, 12, 12, 12, 100}, 8, 3, 8},
        {15, {0, 10, 10, 10, 12, 12, 12, 100}, 14.5f, 3, 11},
        {15, {0, 10, 10, 10, 12, 12, 12, 100}, 15, 4, 15},
        // Equal neighbours: no spread, any difference is an outlier.
        {47, {100, 100, 100, 100, 100, 100, 100, 100}, 100.5f, 3, 100},
        {47, {0, 0, 0, 0, 0, 0, 0, 0}, 1e-6f, 3, 0},
        {47, {0, 0, 0, 0, 0, 0, 0, 0}, 0, 3, 0},
        // Nearly equal: a rounding residue below zero counts as no spread.
        {25, {12.4f, 12.4f, 12.4f, 12.4f, 12.4f, 12.4f, 12.4f, 12.4f}, 50, 3, 12},
        // Of equal extremes only one is left out: 1, 5, 5, 5, 5, 5 stay.
        {33, {1, 1, 5, 5, 5, 5, 5, 9}, 9, 3, 4},
        // A large neighbour left out: the spread of the other six is kept
        // (std about 0.7888), and 0.2 lies just beyond 3 std from 2.5667.
        {31, {1.9f, 125, 3, 0.9f, 3.2f, 1.3f, 2.4f, 3.6f}, 0.2f, 3, 3},
        // Replacements are rounded half to even: 2.5 gives 2, 3.5 gives 4.
        {53, {0, 2, 3, 2, 3, 2, 3, 10}, 100, 3, 2},
        {53, {0, 3, 4, 3, 4, 3, 4, 10}, 100, 3, 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(corrected(c.col, c.neighbours, c.x, c.multiplier), c.expected) << c.col << " " << c.x;
}

TEST(CorrectOutliers, WhatIsExaminedAndReported) {
    Field f(6);
    for (int r : {1, 3, 6}) f.value(r, 16) = 100;  // first, unmarked, last: kept
    f.run.data.regularSpacing[3] = 0;
    f.value(4, 36) = 100;
    correctOutliers(f.run);
    for (int r : {1, 3, 6}) EXPECT_EQ(f.value(r, 16), 100.0f) << r;
    EXPECT_EQ(f.value(4, 36), 0.0f);
    EXPECT_EQ(f.consoleText(), " Method 1: outliers are corrected in 1.333 % of available cells\n");  // 1 of 75

    Field quiet(5);
    correctOutliers(quiet.run);
    EXPECT_EQ(quiet.consoleText(), " Method 1: no outliers detected\n");
    Field one(34);  // 800 examined values
    one.value(10, 50) = -7;
    correctOutliers(one.run);
    EXPECT_EQ(one.consoleText(), " Method 1: outliers are corrected in 0.125 % of available cells\n");
}

TEST(CorrectOutliers, DetectionSeesOnlyUncorrectedValues) {
    Field f(5);
    f.value(3, 16) = 100;  // an outlier
    f.value(3, 17) = 10;   // no outlier while 100 is among its six neighbours
    f.value(2, 18) = 200;  // its largest neighbour, left out
    correctOutliers(f.run);
    EXPECT_EQ(f.value(3, 16), 0.0f);
    EXPECT_EQ(f.value(3, 17), 10.0f);
}

TEST(CorrectOutliers, TheMillionthCorrectionStopsTheRun) {
    // Spikes on every other line and examined column, zeros all around.
    const int columns[] = {14, 16, 24, 26, 30, 32, 34, 36, 46, 48, 50, 52, 54};
    for (int spikes : {1000000, 999999}) {
        Field f(153860);
        for (int r = 2, placed = 0; placed < spikes; r += 2)
            for (int col : columns)
                if (placed < spikes) f.value(r, col) = 1000, ++placed;
        if (spikes == 1000000) {
            EXPECT_THROW(correctOutliers(f.run), platform::RunEnded);
            EXPECT_EQ(f.consoleText().rfind(" too many corrections!\n\n Finished ", 0), 0u);
            EXPECT_EQ(f.value(2, 14), 1000.0f);  // nothing applied
        } else {
            correctOutliers(f.run);
            EXPECT_EQ(f.value(2, 14), 0.0f);
        }
    }
}

TEST(SuppressDustPulses, Pairs) {
    StageRun s;
    float* line = s.addLine(0);  // the first line too: spacing plays no part
    const int pairs[][4] = {{9, 19, -5, 3}, {10, 20, -5, 8}, {11, 21, 8, -5}, {29, 45, -5, 5}, {44, 60, -1, 2}};
    const float expected[][2] = {{-5, 3}, {0, 3}, {3, 0}, {0, 0}, {0, 1}};
    for (const auto& p : pairs) line[p[0] - 1] = static_cast<float>(p[2]), line[p[1] - 1] = static_cast<float>(p[3]);
    line[30 - 1] = -9;  // no partner in the same line is changed by itself
    suppressDustPulses(s.run);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(line[pairs[i][0] - 1], expected[i][0]) << i;
        EXPECT_EQ(line[pairs[i][1] - 1], expected[i][1]) << i;
    }
    EXPECT_EQ(line[30 - 1], -9.0f);
    EXPECT_EQ(s.consoleText(), " Method 2: dust pulses are corrected in 7.692 % of available cells\n");  // 4 of 52

    StageRun none;
    none.addLine(0, -1);
    suppressDustPulses(none.run);
    EXPECT_EQ(none.consoleText(), " Method 2: dust pulses are corrected in 0.000 % of available cells\n");
}

TEST(Corrections, ASingleSumBeyondTheRangeEndsTheRunNamingStageLineAndColumn) {
    auto failure = [](void (*stage)(PostprocessorRun&), StageRun& s) {
        try {
            stage(s.run);
        } catch (const platform::RunError& e) {
            EXPECT_EQ(s.consoleText(), "");  // no report line
            return std::string(e.what());
        }
        return std::string("no error");
    };
    Field outliers(3);
    outliers.value(1, 32) = 2e19f;  // its square is beyond the single range
    EXPECT_EQ(failure(correctOutliers, outliers),
              "elimination of outliers: data line 2 (2011-12-20 00:01:00), column 31: "
              "the sum of the neighbours' squares exceeds the single-precision range");

    StageRun pulses;
    pulses.addLine(0);
    pulses.addLine(1)[30 - 1] = 3e38f;
    pulses.value(2, 46) = 1e38f;
    EXPECT_EQ(failure(suppressDustPulses, pulses),
              "suppression of dust pulses: data line 2 (2011-12-20 00:01:00), columns 30 and 46: "
              "the sum of the pair exceeds the single-precision range");
}
