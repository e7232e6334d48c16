#include "plotter/colour_scale.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace plotter;

TEST(ColourScale, StepsOfASixteenthDecadeFromTenToTenThousand) {
    for (int step = 2; step <= kColourSteps; ++step) {
        const double power = std::pow(10.0, 1 + (step - 1) / 16.0);
        const std::uint64_t threshold = stepThreshold(step);
        EXPECT_GE(threshold + 1e-9, power) << step;
        EXPECT_LT(threshold - 1.0, power) << step;
        EXPECT_EQ(colourClassOf(threshold), step);
        EXPECT_EQ(colourClassOf(threshold - 1), step - 1);
    }
    EXPECT_EQ(colourClassOf(0), kZeroClass);
    EXPECT_EQ(colourClassOf(1), 1);
    EXPECT_EQ(colourClassOf(100), 1 + kStepsPerDecade);
    EXPECT_EQ(colourClassOf(1000000000000ULL), kColourSteps);
    // Dark for few ions, bright for many: the ends of the viridis map; the
    // grey of zero is none of the steps.
    EXPECT_EQ(colourOf(1), "#440154");
    EXPECT_EQ(colourOf(kColourSteps), "#fde725");
    EXPECT_EQ(colourOf(kZeroClass), kZeroColour);
    for (int step = 1; step <= kColourSteps; ++step) EXPECT_NE(colourOf(step), kZeroColour);
}
