#include "postprocessor/output/trimmed_mean.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace postprocessor;

namespace {

double mean(std::vector<float> v, int g) {
    std::vector<float> work(v.size() + 1);
    return trimmedSlotMean(v.data(), static_cast<int>(v.size()), g, work.data());
}
double byRemoval(std::vector<float> v, int g) { return trimmedSlotMeanByRemoval(v.data(), static_cast<int>(v.size()), g); }
double bySelection(const std::vector<float>& v, int g) {
    std::vector<float> work(v.size() + 1);
    return trimmedSlotMeanBySelection(v.data(), static_cast<int>(v.size()), g, work.data());
}

}  // namespace

TEST(TrimmedSlotMean, WorkedExamplesAndFewValues) {
    for (int g : {0, 1, 2}) EXPECT_EQ(mean({5, 1, 9, 3, 7}, g), 5.0) << g;
    EXPECT_EQ(mean({1, 2, 3, 10}, 1), 2.5);
    EXPECT_EQ(bySelection({1, 2, 3, 10}, 1), 2.5);
    EXPECT_EQ(mean({}, 3), 0.0);
    EXPECT_EQ(mean({4.5f}, 3), 4.5);
    EXPECT_EQ(mean({1, 4}, 5), 2.5);        // a pair is never trimmed
    EXPECT_EQ(mean({1, 100, 4}, 1), 4.0);   // the median
    EXPECT_EQ(mean({1, 100, 4}, 0), 35.0);  // the plain mean
    // g = 5 on six values trims (6 - 1) div 2 = 2 steps.
    EXPECT_EQ(bySelection({1, 2, 30, 40, 500, 600}, 5), 35.0);
    EXPECT_EQ(mean(std::vector<float>(12, 7), 20), 7.0);
    // Only 2s are left after one step; the second removes one of them.
    EXPECT_EQ(bySelection({1, 2, 2, 2, 3}, 2), 2.0);
    // A zero sum is +0 whatever the signs of the zeros; one value stays as it is.
    EXPECT_FALSE(std::signbit(bySelection(std::vector<float>(9, -0.0f), 4)));
    EXPECT_TRUE(std::signbit(mean({-0.0f}, 0)));
}

TEST(TrimmedSlotMean, SelectionMatchesRemovalOnRandomData) {
    // Few distinct values (many ties), zeros of both signs, mixed magnitudes:
    // the double sum shows which of equal values went.
    std::mt19937 random(12345);
    for (int trial = 0; trial < 3000; ++trial) {
        const int count = 3 + static_cast<int>(random() % 200), g = static_cast<int>(random() % 25);
        const int spread = 1 + static_cast<int>(random() % 6);
        std::vector<float> values(count);
        for (float& v : values) {
            const int k = static_cast<int>(random() % (2 * spread + 1)) - spread;
            v = trial % 3 == 0 ? static_cast<float>(k) * 0.1f : static_cast<float>(k);
            if (k == 0 && random() % 2) v = -0.0f;
            if (trial % 5 == 0) v = std::ldexp(v, static_cast<int>(random() % 60));
        }
        const double expected = byRemoval(values, g), selected = bySelection(values, g);
        ASSERT_EQ(expected, selected) << "trial " << trial;
        ASSERT_EQ(std::signbit(expected), std::signbit(selected)) << "trial " << trial;
        ASSERT_EQ(expected, mean(values, g)) << "trial " << trial;
    }
}
