#include <gtest/gtest.h>

#include <initializer_list>

#include "platform/run_error.hpp"
#include "postprocessor/output/stages.hpp"
#include "stage_run.hpp"

using namespace postprocessor;
using stage_test::StageRun;

namespace {

// Three lines; the middle one is examined. The eight neighbours of (2, col)
// are given in the scan order: column col - 1 in lines 1, 2, 3; column col
// in lines 1 and 3; column col + 1 in lines 1, 2, 3.
struct OutlierCase : StageRun {
    int col;
    OutlierCase(int column, std::initializer_list<float> neighbours, float x, float multiplier = 3) : col(column) {
        const double day = run.params.firstDay;
        for (int i = 0; i < 3; ++i) addLine(day + i / 1440.0);
        markInnerLines();
        run.params.outlierMultiplier = multiplier;
        const int cells[8][2] = {{1, col - 1}, {2, col - 1}, {3, col - 1}, {1, col},
                                 {3, col},     {1, col + 1}, {2, col + 1}, {3, col + 1}};
        int i = 0;
        for (float v : neighbours) value(cells[i][0], cells[i][1]) = v, ++i;
        value(2, col) = x;
    }
    float afterCorrection() {
        correctOutliers(run);
        return value(2, col);
    }
};

// A field of zeros, lines 2..n-1 marked.
struct ZeroField : StageRun {
    explicit ZeroField(int lines) {
        for (int i = 0; i < lines; ++i) addLine(run.params.firstDay + i / 1440.0);
        markInnerLines();
        run.params.outlierMultiplier = 3;
    }
};

}  // namespace

TEST(CorrectOutliers, WorkedNeighbours) {
    // 9 and 50 left out: mean 67/6, std about 1.067, limit about 3.2.
    EXPECT_EQ(OutlierCase(30, {10, 12, 11, 13, 9, 50, 10, 11}, 20).afterCorrection(), 11.0f);
    EXPECT_EQ(OutlierCase(30, {10, 12, 11, 13, 9, 50, 10, 11}, 14).afterCorrection(), 14.0f);
    EXPECT_EQ(OutlierCase(30, {10, 12, 11, 13, 9, 50, 10, 11}, 8).afterCorrection(), 8.0f);
}

TEST(CorrectOutliers, ExactlyAtTheLimitIsNoOutlier) {
    // Six values left: mean 11, std exactly 1.
    EXPECT_EQ(OutlierCase(15, {0, 10, 10, 10, 12, 12, 12, 100}, 14).afterCorrection(), 14.0f);
    EXPECT_EQ(OutlierCase(15, {0, 10, 10, 10, 12, 12, 12, 100}, 8).afterCorrection(), 8.0f);
    EXPECT_EQ(OutlierCase(15, {0, 10, 10, 10, 12, 12, 12, 100}, 14.5f).afterCorrection(), 11.0f);
    EXPECT_EQ(OutlierCase(15, {0, 10, 10, 10, 12, 12, 12, 100}, 15, 4).afterCorrection(), 15.0f);
}

TEST(CorrectOutliers, EqualNeighboursHaveNoSpread) {
    EXPECT_EQ(OutlierCase(47, {100, 100, 100, 100, 100, 100, 100, 100}, 100.5f).afterCorrection(), 100.0f);
    EXPECT_EQ(OutlierCase(47, {100, 100, 100, 100, 100, 100, 100, 100}, 100).afterCorrection(), 100.0f);
    EXPECT_EQ(OutlierCase(47, {0, 0, 0, 0, 0, 0, 0, 0}, 1e-6f).afterCorrection(), 0.0f);
    // Nearly equal values: a rounding residue below zero counts as no spread.
    EXPECT_EQ(OutlierCase(25, {12.4f, 12.4f, 12.4f, 12.4f, 12.4f, 12.4f, 12.4f, 12.4f}, 50).afterCorrection(), 12.0f);
}

TEST(CorrectOutliers, OnlyOneOfEqualExtremesIsLeftOut) {
    // One 1 and the 9 go; 1, 5, 5, 5, 5, 5 give mean 4.33 and std 1.49.
    EXPECT_EQ(OutlierCase(33, {1, 1, 5, 5, 5, 5, 5, 9}, 9).afterCorrection(), 4.0f);
    EXPECT_EQ(OutlierCase(33, {5, 5, 5, 9, 5, 5, 5, 5}, 6).afterCorrection(), 5.0f);
}

TEST(CorrectOutliers, ReplacementIsRoundedHalfToEven) {
    EXPECT_EQ(OutlierCase(53, {0, 2, 3, 2, 3, 2, 3, 10}, 100).afterCorrection(), 2.0f);
    EXPECT_EQ(OutlierCase(53, {0, 3, 4, 3, 4, 3, 4, 10}, 100).afterCorrection(), 4.0f);
}

TEST(CorrectOutliers, FirstLastAndIrregularLinesAreNotExamined) {
    ZeroField field(6);
    field.value(1, 16) = 100;
    field.value(6, 16) = 100;
    field.value(3, 16) = 100;
    field.run.data.regularSpacing[3] = 0;
    field.value(4, 36) = 100;  // examined: becomes 0
    correctOutliers(field.run);
    EXPECT_EQ(field.value(1, 16), 100.0f);
    EXPECT_EQ(field.value(6, 16), 100.0f);
    EXPECT_EQ(field.value(3, 16), 100.0f);
    EXPECT_EQ(field.value(4, 36), 0.0f);
    // 3 examined lines of 25 columns, one correction.
    EXPECT_EQ(field.consoleText(), " Method 1: outliers are corrected in 1.333 % of available cells\n");
}

TEST(CorrectOutliers, DetectionSeesOnlyUncorrectedValues) {
    ZeroField field(5);
    field.value(3, 16) = 100;  // an outlier among zeros and the 10 beside it
    field.value(3, 17) = 10;   // with 100 among its six neighbours: no outlier
    field.value(2, 18) = 200;  // its largest neighbour, left out
    correctOutliers(field.run);
    EXPECT_EQ(field.value(3, 16), 0.0f);
    EXPECT_EQ(field.value(3, 17), 10.0f);
}

TEST(CorrectOutliers, Reports) {
    ZeroField quiet(5);
    correctOutliers(quiet.run);
    EXPECT_EQ(quiet.consoleText(), " Method 1: no outliers detected\n");

    ZeroField one(34);  // 32 examined lines: 800 values
    one.value(10, 50) = -7;
    correctOutliers(one.run);
    EXPECT_EQ(one.consoleText(), " Method 1: outliers are corrected in 0.125 % of available cells\n");
}

namespace {

// Spikes in a zero field, on every other line and every other examined
// column, so that each spike has only zeros around it.
void placeSpikes(ZeroField& field, int spikes) {
    const int columns[] = {14, 16, 24, 26, 30, 32, 34, 36, 46, 48, 50, 52, 54};
    int placed = 0;
    for (int r = 2; placed < spikes; r += 2)
        for (int col : columns)
            if (placed < spikes) field.value(r, col) = 1000, ++placed;
}

constexpr int kFieldLines = 153860;  // room for 1,000,000 spikes

}  // namespace

TEST(CorrectOutliers, TheMillionthCorrectionStopsTheRun) {
    ZeroField field(kFieldLines);
    placeSpikes(field, 1000000);
    EXPECT_THROW(correctOutliers(field.run), platform::RunEnded);
    EXPECT_EQ(field.consoleText().rfind(" too many corrections!\n\n Finished ", 0), 0u) << field.consoleText();
    EXPECT_EQ(field.value(2, 14), 1000.0f);  // nothing applied
}

TEST(CorrectOutliers, OneCorrectionFewerIsApplied) {
    ZeroField field(kFieldLines);
    placeSpikes(field, 999999);
    correctOutliers(field.run);
    EXPECT_EQ(field.consoleText().rfind(" Method 1: outliers are corrected in ", 0), 0u);
    EXPECT_EQ(field.value(2, 14), 0.0f);
}

TEST(SuppressDustPulses, Pairs) {
    StageRun s;
    float* line = s.addLine(s.run.params.firstDay);
    line[9 - 1] = -5, line[19 - 1] = 3;   // sum negative: unchanged
    line[10 - 1] = -5, line[20 - 1] = 8;  // merged into the positive partner
    line[11 - 1] = 8, line[21 - 1] = -5;
    line[29 - 1] = -5, line[45 - 1] = 5;  // sum zero still merges
    line[44 - 1] = -1, line[60 - 1] = 2;
    suppressDustPulses(s.run);  // the first line too: spacing plays no part
    EXPECT_EQ(line[9 - 1], -5.0f);
    EXPECT_EQ(line[19 - 1], 3.0f);
    EXPECT_EQ(line[10 - 1], 0.0f);
    EXPECT_EQ(line[20 - 1], 3.0f);
    EXPECT_EQ(line[11 - 1], 3.0f);
    EXPECT_EQ(line[21 - 1], 0.0f);
    EXPECT_EQ(line[29 - 1], 0.0f);
    EXPECT_EQ(line[45 - 1], 0.0f);
    EXPECT_EQ(line[44 - 1], 0.0f);
    EXPECT_EQ(line[60 - 1], 1.0f);
    // Other columns are no pair members.
    EXPECT_EQ(s.consoleText(), " Method 2: dust pulses are corrected in 7.692 % of available cells\n");
}

TEST(SuppressDustPulses, ReportsAlsoWhenNothingChanged) {
    StageRun s;
    for (int i = 0; i < 3; ++i) s.addLine(s.run.params.firstDay + i / 1440.0, -1);  // every pair negative
    suppressDustPulses(s.run);
    EXPECT_EQ(s.consoleText(), " Method 2: dust pulses are corrected in 0.000 % of available cells\n");
    EXPECT_EQ(s.value(2, 9), -1.0f);
}
