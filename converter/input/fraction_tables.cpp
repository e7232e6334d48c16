#include "converter/input/fraction_tables.hpp"

#include <cmath>

#include "converter/input/settings.hpp"

namespace converter {

namespace {

const double kLn10 = std::log(10.0);

double powerOfTen(double x) { return std::exp(x * kLn10); }

}  // namespace

void buildFractionTables(double mobilityBase, int fractionsPerDecade, FractionTables& t) {
    for (int i = 0; i <= 35; ++i) t.logBoundary[i] = kLn10 * (i - 25) / 16;
    for (int k = 0; k < 35; ++k)
        t.channelMobility[k] = std::sqrt(powerOfTen((k - 25) / 16.0) * powerOfTen((k + 1 - 25) / 16.0));
    // The top five channels have a fixed representative mobility.
    for (int k = 30; k < 35; ++k) t.channelMobility[k] = 2.5;
    for (int k = 0; k < 35; ++k)
        t.lossMobilityTerm[k] = std::pow(t.channelMobility[k] >= 2 ? 2.0 : t.channelMobility[k], 2.0 / 3.0);
    for (int a = 1; a <= 16; ++a)
        t.zFraction[a - 1] = mobilityBase * powerOfTen((a - 0.5) / fractionsPerDecade);
    for (int m = 0; m <= 10; ++m) {
        t.dCentre[m] = 0.4216965 * powerOfTen((m - 0.5) / 8);
        t.dBound[m] = 0.4216965 * powerOfTen(m / 8.0);
    }
}

bool buildResolutionMatrix(const ConverterSettings& s, FractionTables& t) {
    for (int i = 1; i <= 35; ++i) {
        double a = t.channelMobility[i - 1] / s.z_limit;
        if (a > 1) a = 1;
        double* row = t.resolutionMatrix[i - 1];
        for (int j = 1; j <= 35; ++j) {
            double entry = 0;
            if (j == i)
                entry = 1;
            else if (j == i - 2)
                entry = s.c_inv_n2 * a;
            else if (j == i - 1)
                entry = s.c_inv_n1 * a;
            else if (j == i + 1)
                entry = s.c_inv_p1 * a;
            else if (j == i + 2)
                entry = s.c_inv_p2 * a;
            row[j - 1] = entry;
        }
        double sum = 0;
        for (int j = 0; j < 35; ++j) sum += row[j];
        if (sum == 0) return false;
        int first = 35, last = -1;
        for (int j = 0; j < 35; ++j) {
            row[j] /= sum;
            if (row[j] != 0) {
                if (first > j) first = j;
                last = j;
            }
        }
        t.resolutionFirst[i - 1] = first;
        t.resolutionLast[i - 1] = last;
    }
    return true;
}

}  // namespace converter
