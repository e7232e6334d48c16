#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "postprocessor/output/stages.hpp"
#include "stage_run.hpp"

using namespace postprocessor;
using stage_test::StageRun;

namespace {

// One line a minute, every column holding the series' value; inner lines marked.
struct Series : StageRun {
    explicit Series(const std::vector<float>& values, int negative = 0, int total = 0) {
        for (size_t i = 0; i < values.size(); ++i) addLine(i + 0.5, values[i]);
        markInnerLines();
        run.params.negativeSmoothingLevel = negative;
        run.params.totalSmoothingLevel = total;
    }
};

float negativesSmoothed(const std::vector<float>& values, int line, int level = 1) {
    Series s(values, level);
    smoothNegatives(s.run);
    return s.value(line, 30);
}

}  // namespace

TEST(SmoothNegatives, Examples) {
    EXPECT_EQ(negativesSmoothed({10, -4, 20}, 2), 5.5f);  // (10 - 8 + 20) / 4
    EXPECT_EQ(negativesSmoothed({-10, -4, 5}, 2), -4.0f);  // neighbours sum below 0
    EXPECT_EQ(negativesSmoothed({10, 3, 20}, 2), 3.0f);
    // Neighbours as they were before the repetition: not the new -0.5.
    EXPECT_EQ(negativesSmoothed({10, -4, -4, 20}, 2), -0.5f);
    EXPECT_EQ(negativesSmoothed({10, -4, -4, 20}, 3), 2.0f);
    // The second repetition sees the first one's results.
    EXPECT_EQ(negativesSmoothed({10, -4, -4, 20}, 2, 2), 2.75f);

    Series s({10, -4, 20}, 1);
    smoothNegatives(s.run);
    for (int col : {4, 66, 67, 77, 78}) EXPECT_EQ(s.value(2, col), -4.0f) << col;
    for (int col : {5, 9, 60, 65, 68, 76}) EXPECT_EQ(s.value(2, col), 5.5f) << col;
}

TEST(SmoothTotally, Examples) {
    Series s({10, 20, 60}, 0, 1);
    smoothTotally(s.run);
    for (int col : {4, 40, 66, 67, 76}) EXPECT_EQ(s.value(2, col), 27.5f) << col;
    for (int col : {77, 78}) EXPECT_EQ(s.value(2, col), 20.0f) << col;
    EXPECT_EQ(s.value(1, 40), 10.0f);

    // A line beside a gap keeps its values; its marked neighbours use them.
    Series gap({0, 12, 20, 40, 100}, 0, 1);
    gap.run.data.regularSpacing[3] = 0;
    smoothTotally(gap.run);
    EXPECT_EQ(gap.value(2, 10), 11.0f);  // (0 + 24 + 20) / 4
    EXPECT_EQ(gap.value(3, 10), 20.0f);
    EXPECT_EQ(gap.value(4, 10), 50.0f);  // (20 + 80 + 100) / 4

    // Evaluated in double, stored as a single float.
    Series f({1.0f, 0.1f, 0.3f}, 0, 1);
    smoothTotally(f.run);
    EXPECT_EQ(f.value(2, 10), static_cast<float>((1.0 + 2.0 * double{0.1f} + double{0.3f}) / 4));
}

TEST(SmoothingPasses, OneSweepOverBlocksOfLinesGivesThePassesOneAfterAnother) {
    // Three blocks of the sweep, lines out of the spacing here and there;
    // against the passes as written: one column at a time from a copy.
    StageRun s(60, 4);
    std::mt19937 random(18);
    std::uniform_real_distribution<float> value(-50.0f, 100.0f);
    const int n = 5000;
    for (int i = 0; i < n; ++i) {
        float* line = s.addLine(i);
        for (int c = 3; c < 76; ++c) line[c] = std::round(value(random)) / 4;
    }
    s.markInnerLines();
    for (int r = 97; r < n; r += 97) s.run.data.regularSpacing[r] = 0;
    s.run.params.negativeSmoothingLevel = 2;
    s.run.params.totalSmoothingLevel = 3;

    std::vector<float> expected(s.run.data.line(1), s.run.data.line(n + 1));
    auto at = [&](int r, int col) -> float& { return expected[static_cast<size_t>(r - 1) * 78 + col - 1]; };
    for (int rep = 0; rep < 5; ++rep) {
        const bool negatives = rep < 2;
        for (int col = negatives ? 5 : 4; col <= 76; ++col) {
            if (negatives && (col == 66 || col == 67)) continue;
            std::vector<double> copy(n + 1);
            for (int r = 1; r <= n; ++r) copy[r] = at(r, col);
            for (int r = 2; r < n; ++r) {
                if (!s.run.data.regularSpacing[r]) continue;
                if (negatives && !(copy[r] < 0 && copy[r - 1] + copy[r + 1] > 0)) continue;
                at(r, col) = static_cast<float>((copy[r - 1] + 2 * copy[r] + copy[r + 1]) / 4);
            }
        }
    }
    correctAndSmooth(s.run);
    EXPECT_EQ(std::memcmp(expected.data(), s.run.data.line(1), expected.size() * sizeof(float)), 0);
}

TEST(FillGaps, SingleEmptyOutputLines) {
    StageRun s(60, 2);  // 48 hourly output lines, output line g holding g
    s.run.params.fillSingleGaps = true;
    for (int g = 1; g <= 48; ++g)
        for (int col = 1; col <= 78; ++col) s.grid(g, col) = col == 1 ? (g <= 24 ? 111220 : 111221) : g;
    for (int g : {1, 10, 20, 21, 25, 31, 48})
        for (int col = 1; col <= 78; ++col) s.grid(g, col) = 0;
    s.grid(30, 61) = 4, s.grid(32, 61) = 7;
    fillGaps(s.run);
    for (int col : {2, 77, 78}) EXPECT_EQ(s.grid(10, col), 9.0f) << col;  // of the line before
    for (int col : {3, 60, 76}) EXPECT_EQ(s.grid(10, col), 10.0f) << col;  // (9 + 11) / 2
    EXPECT_EQ(s.grid(10, 1), 111220.0f);
    EXPECT_EQ(s.grid(25, 1), 111220.0f);  // 00:00 of the second day: the first day's date code
    EXPECT_EQ(s.grid(31, 61), 5.5f);      // a line count may become a half
    for (int g : {1, 20, 21, 48}) EXPECT_FALSE(s.run.grid.hasData(g)) << g;  // never chained, not at the ends
}

TEST(FillGaps, AveragingFillsOnlyWhenAsked) {
    for (bool fill : {false, true}) {
        StageRun s;
        s.run.params.fillSingleGaps = fill;
        s.addLine(30, 10);
        s.addLine(150, 30);
        averageOntoGrid(s.run);
        EXPECT_EQ(s.grid(2, 40), fill ? 20.0f : 0.0f);
    }
}
