// Channel and fraction boundaries of the 35 mobility channels, and the
// resolution matrix.
#pragma once

namespace converter {

struct FractionTables {
    double logBoundary[36] = {};
    double channelMobility[35] = {};
    double zFraction[16] = {};
    double dCentre[11] = {};
    double dBound[11] = {};
    // Rows i and columns j 1..35 stored at [i - 1][j - 1].
    double resolutionMatrix[35][35] = {};
};

void buildFractionTables(double mobilityBase, int fractionsPerDecade, FractionTables& tables);

// Builds the row-normalised resolution matrix from the coefficients in
// force; false (matrix unusable) when a row sums to exactly 0.
struct ConverterSettings;
bool buildResolutionMatrix(const ConverterSettings& settings, FractionTables& tables);

}  // namespace converter
