// Channel and fraction boundaries of the 35 mobility channels, and the
// resolution matrix.
#pragma once

namespace converter {

inline constexpr int kChannelCount = 35;

struct FractionTables {
    // ln of the channel boundaries B(i) = 10^((i - 25) / 16), i = 0..35;
    // channel i spans logBoundary[i]..logBoundary[i + 1].
    double logBoundary[36] = {};
    // Geometric mean of each channel's boundaries; 2.5 for channels 30..34.
    double channelMobility[35] = {};
    // min(channelMobility, 2)^(2/3): the mobility term of the loss factor.
    double lossMobilityTerm[35] = {};
    // Centres of the sixteen mobility fractions (a = 1..16 stored from 0).
    double zFraction[16] = {};
    // Centres and boundaries of the diameter fractions, nm (1..10 used).
    double dCentre[11] = {};
    double dBound[11] = {};
    // Rows i and columns j 1..35 stored at [i - 1][j - 1].
    double resolutionMatrix[35][35] = {};
    // Per row, the first and last column (0-based) that is not zero; the
    // correction sums only this band (the other terms add nothing).
    int resolutionFirst[35] = {};
    int resolutionLast[35] = {};
};

void buildFractionTables(double mobilityBase, int fractionsPerDecade, FractionTables& tables);

// Builds the row-normalised resolution matrix from the coefficients in
// force; false (matrix unusable) when a row sums to exactly 0.
struct ConverterSettings;
bool buildResolutionMatrix(const ConverterSettings& settings, FractionTables& tables);

}  // namespace converter
