#include "postprocessor/output/trimmed_mean.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace postprocessor;

namespace {

double mean(std::vector<float> values, int g) {
    std::vector<float> work(values.size() + 1);
    return trimmedSlotMean(values.data(), static_cast<int>(values.size()), g, work.data());
}

double byRemoval(std::vector<float> values, int g) {
    return trimmedSlotMeanByRemoval(values.data(), static_cast<int>(values.size()), g);
}

double bySelection(const std::vector<float>& values, int g) {
    std::vector<float> work(values.size() + 1);
    return trimmedSlotMeanBySelection(values.data(), static_cast<int>(values.size()), g, work.data());
}

}  // namespace

TEST(TrimmedSlotMean, WorkedExamples) {
    EXPECT_EQ(mean({5, 1, 9, 3, 7}, 0), 5.0);
    EXPECT_EQ(mean({5, 1, 9, 3, 7}, 1), 5.0);
    EXPECT_EQ(mean({5, 1, 9, 3, 7}, 2), 5.0);
    EXPECT_EQ(mean({1, 2, 3, 10}, 1), 2.5);
    EXPECT_EQ(byRemoval({1, 2, 3, 10}, 1), 2.5);
    EXPECT_EQ(bySelection({1, 2, 3, 10}, 1), 2.5);
}

TEST(TrimmedSlotMean, FewValues) {
    EXPECT_EQ(mean({}, 3), 0.0);
    EXPECT_EQ(mean({4.5f}, 3), 4.5);
    EXPECT_EQ(mean({1, 4}, 5), 2.5);           // two values: never trimmed
    EXPECT_EQ(mean({1, 100, 4}, 1), 4.0);      // three values: the median
    EXPECT_EQ(mean({1, 100, 4}, 0), 35.0);     // no trimming: the plain mean
    EXPECT_TRUE(std::signbit(mean({-0.0f}, 0)));  // a single value as it is
}

TEST(TrimmedSlotMean, StepsAreLimitedByTheCount) {
    // g = 5 on six values trims only (6 - 1) div 2 = 2 steps.
    EXPECT_EQ(mean({1, 2, 30, 40, 500, 600}, 5), 35.0);
    EXPECT_EQ(bySelection({1, 2, 30, 40, 500, 600}, 5), 35.0);
    EXPECT_EQ(mean({7, 7, 7, 7, 7}, 20), 7.0);
    EXPECT_EQ(bySelection({7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7}, 20), 7.0);
}

TEST(TrimmedSlotMean, EqualValuesLeftAfterSomeSteps) {
    // After the first step only 2s are left; the second step removes one.
    EXPECT_EQ(byRemoval({1, 2, 2, 2, 3}, 2), 2.0);
    EXPECT_EQ(bySelection({1, 2, 2, 2, 3}, 2), 2.0);
    // A zero sum is +0, whatever the signs of the zeros.
    EXPECT_FALSE(std::signbit(byRemoval({-0.0f, -0.0f, -0.0f, -0.0f, -0.0f}, 2)));
    EXPECT_FALSE(std::signbit(bySelection({-0.0f, -0.0f, -0.0f, -0.0f, -0.0f}, 2)));
}

TEST(TrimmedSlotMean, TiesRemoveTheFirstPositions) {
    // The summation order shows which of equal values went: with values of
    // very different size the double sum depends on the order.
    const float big = 1e30f;
    std::vector<float> values = {big, 1, big, 3, -big, 5, -big, 2, 1e-8f, 4, 1e-8f};
    for (int g = 0; g <= 5; ++g) EXPECT_EQ(byRemoval(values, g), bySelection(values, g)) << g;
}

TEST(TrimmedSlotMean, SelectionMatchesRemovalOnRandomData) {
    std::mt19937 random(12345);
    for (int trial = 0; trial < 3000; ++trial) {
        const int count = 3 + static_cast<int>(random() % 200);
        const int g = static_cast<int>(random() % 25);
        const int spread = 1 + static_cast<int>(random() % 6);  // few distinct values: many ties
        std::vector<float> values(count);
        for (float& v : values) {
            const int k = static_cast<int>(random() % (2 * spread + 1)) - spread;
            v = (trial % 3 == 0) ? static_cast<float>(k) * 0.1f : static_cast<float>(k);
            if (k == 0 && random() % 2) v = -0.0f;
            if (trial % 5 == 0) v = std::ldexp(v, static_cast<int>(random() % 60));  // mixed magnitudes
        }
        const double expected = byRemoval(values, g);
        const double selected = bySelection(values, g);
        const double dispatched = mean(values, g);
        EXPECT_EQ(expected, selected) << "trial " << trial;
        EXPECT_EQ(std::signbit(expected), std::signbit(selected)) << "trial " << trial;
        EXPECT_EQ(expected, dispatched) << "trial " << trial;
    }
}

TEST(TrimmedSlotMean, NaNTakesTheRemovalRoad) {
    std::vector<float> values(40, 1.0f);
    values[0] = std::nanf("");
    // The removal scan never moves away from a NaN at position 1, so the
    // first step removes it alone; then equal values are left.
    EXPECT_EQ(mean(values, 10), 1.0);
    values[0] = 1.0f;
    values[20] = std::nanf("");  // elsewhere no scan ever picks it
    EXPECT_TRUE(std::isnan(mean(values, 10)));
}
