#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <random>
#include <vector>

#include "platform/run_error.hpp"
#include "postprocessor/output/stages.hpp"
#include "postprocessor/output/trimmed_mean.hpp"
#include "stage_run.hpp"

using namespace postprocessor;
using stage_test::StageRun;

TEST(AverageOntoGrid, OutputLinesOfOneTwoThreeAndFourLines) {
    StageRun s;  // hourly
    s.run.params.trimmingDegree = 1;
    s.run.input.twoFileRegime = true;
    s.addLine(10, -0.0f), s.addLine(59.9, 1);         // output line 1: slots are half-open
    s.addLine(70, 10), s.addLine(80, 20);             // 2: a pair
    for (double m : {130, 140, 150}) s.addLine(m, static_cast<float>(m));  // 3: medians
    s.value(5, 9) = 2000, s.value(7, 9) = -1000;
    for (int i = 0; i < 4; ++i) {                     // 4: four lines
        float* line = s.addLine(190 + i * 10, static_cast<float>(i));
        line[77 - 1] = 100.0f + i, line[78 - 1] = 200.0f + i;
    }
    s.addLine(1439.5, 3);
    for (int col = 1; col <= 78; ++col) s.grid(7, col) = 99;  // stale values
    averageOntoGrid(s.run);
    EXPECT_EQ(s.grid(1, 40), 0.5f);
    EXPECT_EQ(s.grid(2, 40), 15.0f);
    EXPECT_EQ(s.grid(3, 40), 140.0f);
    EXPECT_EQ(s.grid(3, 9), 140.0f);
    // Four lines: date, time code, "ovl&sc" and regime of the second.
    EXPECT_EQ(s.grid(4, 2), 320.0f);  // 03:20
    EXPECT_EQ(s.grid(4, 77), 101.0f);
    EXPECT_EQ(s.grid(4, 78), 201.0f);
    EXPECT_EQ(s.grid(4, 76), 1.5f);
    EXPECT_EQ(s.grid(24, 40), 3.0f);
    for (int col = 1; col <= 78; ++col) EXPECT_EQ(s.grid(7, col), 0.0f) << col;
    // The two-file regime: column 61 counts the lines.
    EXPECT_EQ(s.grid(1, 61), 2.0f);
    EXPECT_EQ(s.grid(4, 61), 4.0f);
    EXPECT_EQ(s.grid(24, 61), 1.0f);
}

TEST(AverageOntoGrid, OneLineKeepsItsValues) {
    StageRun s;
    s.addLine(10, -0.0f);
    averageOntoGrid(s.run);
    EXPECT_TRUE(std::signbit(s.grid(1, 40)));
    EXPECT_EQ(s.grid(1, 1), 111220.0f);
}

TEST(AverageOntoGrid, AnyNumberOfLinesPerOutputLine) {
    // A daily mean of 30-second data, trimmed by 20: 2880 lines in one slot.
    StageRun s(1440);
    s.run.params.trimmingDegree = 20;
    std::vector<float> column;
    for (int i = 0; i < 2880; ++i) column.push_back(*(s.addLine(i * 0.5, static_cast<float>((i * 7919) % 1000) * 0.5f) + 29));
    averageOntoGrid(s.run);
    EXPECT_EQ(s.grid(1, 30), static_cast<float>(trimmedSlotMeanByRemoval(column.data(), 2880, 20)));
}

TEST(AverageOntoGrid, LineOutsideTheGridIsARunTimeError) {
    StageRun s;
    s.addLine(1440, 1);  // 00:00 of the next day
    EXPECT_THROW(averageOntoGrid(s.run), platform::RunError);
}

TEST(AverageOntoGrid, AllColumnsAtOnceTrimAsEachColumnAlone) {
    // Hourly output lines of 2 to 13 data lines, trimming 0 to 3 steps;
    // values with many ties, zeros of both signs and all-equal columns.
    const float pool[] = {-1.0f, -0.0f, 0.0f, 1.0f, 2.5f, 2.5f, 7.0f, 1e-30f, -3e20f};
    std::mt19937 random(18);
    for (int g = 0; g <= 3; ++g) {
        StageRun s(60, 1);
        s.run.params.trimmingDegree = g;
        for (int hour = 0; hour < 12; ++hour) {
            const int n = hour + 2;
            for (int k = 0; k < n; ++k) {
                float* line = s.addLine(hour * 60 + k + 0.5);
                for (int c = 2; c < 76; ++c) line[c] = c % 7 == 0 ? 4.0f : pool[random() % std::size(pool)];
            }
        }
        averageOntoGrid(s.run);
        int r = 1;
        for (int hour = 0; hour < 12; ++hour) {
            const int n = hour + 2;
            for (int col = 3; col <= 76; ++col) {
                std::vector<float> column;
                for (int k = 0; k < n; ++k) column.push_back(s.value(r + k, col));
                const float expected = static_cast<float>(trimmedSlotMeanByRemoval(column.data(), n, g));
                ASSERT_EQ(std::signbit(s.grid(hour + 1, col)), std::signbit(expected)) << g << " " << n << " " << col;
                ASSERT_EQ(s.grid(hour + 1, col), expected) << g << " " << n << " " << col;
            }
            r += n;
        }
    }
}
