#include "converter/input/fraction_tables.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "converter/input/settings.hpp"

using namespace converter;

namespace {

FractionTables tablesFor(int perDecade) {
    FractionTables t;
    buildFractionTables(perDecade == 8 ? 0.0316227766016838 : 0.421696503428582, perDecade, t);
    return t;
}

ConverterSettings coefficients(double n2, double n1, double p1, double p2, double zLimit) {
    ConverterSettings s;
    s.extracorrect = 2;
    s.c_inv_n2 = n2;
    s.c_inv_n1 = n1;
    s.c_inv_p1 = p1;
    s.c_inv_p2 = p2;
    s.z_limit = zLimit;
    return s;
}

}  // namespace

TEST(FractionTables, BoundariesAndCentres) {
    FractionTables t = tablesFor(8);
    EXPECT_EQ(t.logBoundary[25], 0.0);
    EXPECT_DOUBLE_EQ(t.logBoundary[35], std::log(10.0) * 10 / 16);
    EXPECT_NEAR(t.channelMobility[24], std::pow(10.0, -0.5 / 16), 1e-15);
    EXPECT_NEAR(t.channelMobility[24], 0.9306, 5e-5);
    for (int k = 30; k < 35; ++k) EXPECT_EQ(t.channelMobility[k], 2.5);
    EXPECT_NEAR(t.zFraction[0], 0.03652, 5e-6);
    EXPECT_NEAR(t.dCentre[1], 0.4870, 5e-5);
    EXPECT_NEAR(t.dBound[8], 0.4216965 * 10, 1e-12);
    EXPECT_NEAR(tablesFor(16).zFraction[15], 3.924, 5e-4);
    // The fractions cover a decade in 8 or 16 equal steps.
    EXPECT_NEAR(t.zFraction[8] / t.zFraction[0], 10, 1e-12);
    EXPECT_NEAR(tablesFor(16).zFraction[15] / tablesFor(16).zFraction[0], std::pow(10, 15 / 16.0), 1e-12);
}

TEST(ResolutionMatrix, RowsAreNormalisedNeighbourWeights) {
    FractionTables t = tablesFor(8);
    ASSERT_TRUE(buildResolutionMatrix(coefficients(0, 0, 0, 0, 1), t));
    for (int i = 0; i < 35; ++i)
        for (int j = 0; j < 35; ++j) EXPECT_EQ(t.resolutionMatrix[i][j], i == j ? 1.0 : 0.0);

    // Row 1 with c_inv_p1 0.2, c_inv_p2 0.1 and a = 0.5.
    ConverterSettings s = coefficients(0.3, 0.4, 0.2, 0.1, t.channelMobility[0] / 0.5);
    ASSERT_TRUE(buildResolutionMatrix(s, t));
    EXPECT_DOUBLE_EQ(t.resolutionMatrix[0][0], 1 / 1.15);
    EXPECT_DOUBLE_EQ(t.resolutionMatrix[0][1], 0.1 / 1.15);
    EXPECT_DOUBLE_EQ(t.resolutionMatrix[0][2], 0.05 / 1.15);
    for (int j = 3; j < 35; ++j) EXPECT_EQ(t.resolutionMatrix[0][j], 0.0);
    EXPECT_EQ(t.resolutionFirst[0], 0);
    EXPECT_EQ(t.resolutionLast[0], 2);
    EXPECT_EQ(t.resolutionFirst[20], 18);
    EXPECT_EQ(t.resolutionLast[34], 34);
    for (int i = 0; i < 35; ++i) {
        double sum = 0;
        for (int j = 0; j < 35; ++j) sum += t.resolutionMatrix[i][j];
        EXPECT_NEAR(sum, 1, 1e-15);
    }

    // z_limit 10: a is the channel's mobility / 10 in every row.
    ASSERT_TRUE(buildResolutionMatrix(coefficients(0, 0, 0.5, 0, 10), t));
    const double a = t.channelMobility[34 - 1] / 10;  // row 34
    EXPECT_DOUBLE_EQ(t.resolutionMatrix[33][34], 0.5 * a / (1 + 0.5 * a));
}

TEST(ResolutionMatrix, ARowSummingToZeroIsRefused) {
    FractionTables t = tablesFor(8);
    // a = 1 for the top channels (mobility 2.5 above z_limit 1).
    EXPECT_FALSE(buildResolutionMatrix(coefficients(0, 0, -1, 0, 1), t));
    EXPECT_TRUE(buildResolutionMatrix(coefficients(0, 0, -0.99, 0, 1), t));
}
