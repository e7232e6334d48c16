#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/run_error.hpp"
#include "postprocessor/output/stages.hpp"
#include "postprocessor/output/trimmed_mean.hpp"
#include "stage_run.hpp"

using namespace postprocessor;
using stage_test::StageRun;

namespace {

double minutes(const StageRun& s, double m) { return s.run.params.firstDay + m / 1440.0; }

}  // namespace

TEST(AverageOntoGrid, OneTwoAndThreeLinesPerOutputLine) {
    StageRun s;  // hourly
    s.run.params.trimmingDegree = 1;
    s.addLine(minutes(s, 10), -0.0f);             // slot 1 alone
    s.addLine(minutes(s, 70), 10);                // slot 2: a pair
    s.addLine(minutes(s, 80), 20);
    for (double m : {130.0, 140.0, 150.0}) s.addLine(minutes(s, m), static_cast<float>(m));
    s.value(6, 9) = -1000;  // slot 3: median 140 of each column
    s.value(4, 9) = 2000;
    averageOntoGrid(s.run);
    EXPECT_TRUE(std::signbit(s.grid(1, 40)));  // a single line's values as they are
    EXPECT_EQ(s.grid(2, 40), 15.0f);
    EXPECT_EQ(s.grid(3, 40), 140.0f);
    EXPECT_EQ(s.grid(3, 9), 140.0f);
    EXPECT_EQ(s.grid(2, 1), 111220.0f);
}

TEST(AverageOntoGrid, MiddleLineColumnsAreNeverAveraged) {
    StageRun s;
    for (int i = 0; i < 4; ++i) {
        float* line = s.addLine(minutes(s, 10 + i * 10), static_cast<float>(i));
        line[77 - 1] = 100.0f + i;
        line[78 - 1] = 200.0f + i;
    }
    averageOntoGrid(s.run);
    EXPECT_EQ(s.grid(1, 2), 20.0f);   // time code of the second of four lines (00:20)
    EXPECT_EQ(s.grid(1, 77), 101.0f);
    EXPECT_EQ(s.grid(1, 78), 201.0f);
    EXPECT_EQ(s.grid(1, 76), 1.5f);
}

TEST(AverageOntoGrid, EmptyOutputLinesHoldZeros) {
    StageRun s;
    s.addLine(minutes(s, 30), 5);
    for (int col = 1; col <= 78; ++col) s.grid(7, col) = 99;  // stale values
    averageOntoGrid(s.run);
    for (int col = 1; col <= 78; ++col) EXPECT_EQ(s.grid(7, col), 0.0f) << col;
    EXPECT_FALSE(s.run.grid.hasData(2));
    EXPECT_TRUE(s.run.grid.hasData(1));
}

TEST(AverageOntoGrid, SlotsAreHalfOpen) {
    StageRun s;
    s.addLine(minutes(s, 0), 1);    // 00:00 opens slot 1
    s.addLine(minutes(s, 59.9), 2);  // still slot 1
    s.addLine(minutes(s, 60.1), 4);  // slot 2
    s.addLine(minutes(s, 1439.5), 3);
    averageOntoGrid(s.run);
    EXPECT_EQ(s.grid(1, 40), 1.5f);
    EXPECT_EQ(s.grid(2, 40), 4.0f);
    EXPECT_EQ(s.grid(24, 40), 3.0f);
}

TEST(AverageOntoGrid, LineCountInTheTwoFileRegime) {
    StageRun s;
    s.run.input.twoFileRegime = true;
    for (int i = 0; i < 7; ++i) s.addLine(minutes(s, 1 + i), 42);
    s.addLine(minutes(s, 90), 42);
    averageOntoGrid(s.run);
    EXPECT_EQ(s.grid(1, 61), 7.0f);
    EXPECT_EQ(s.grid(2, 61), 1.0f);
    EXPECT_EQ(s.grid(1, 62), 42.0f);
}

TEST(AverageOntoGrid, AnyNumberOfLinesPerOutputLine) {
    // A daily mean of 30-second data, trimmed by 20: 2880 lines in one slot.
    StageRun s(platform::encodeDate(2011, 12, 20), 1, 1440);
    s.run.params.trimmingDegree = 20;
    std::vector<float> column;
    for (int i = 0; i < 2880; ++i) {
        const float v = static_cast<float>((i * 7919) % 1000) * 0.5f;
        s.addLine(minutes(s, i * 0.5), v);
        column.push_back(v);
    }
    averageOntoGrid(s.run);
    const double expected = trimmedSlotMeanByRemoval(column.data(), 2880, 20);
    EXPECT_EQ(s.grid(1, 30), static_cast<float>(expected));
    EXPECT_EQ(s.grid(1, 1), 111220.0f);
}

TEST(AverageOntoGrid, LineOutsideTheGridIsARunTimeError) {
    StageRun s;
    s.addLine(s.run.params.firstDay + 1.0, 1);  // 00:00 of the next day
    EXPECT_THROW(averageOntoGrid(s.run), platform::RunError);
}
