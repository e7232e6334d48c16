#include "converter/tables/signal_operations.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <random>
#include <sstream>

#include "converter/input/settings.hpp"
#include "converter/run.hpp"
#include "converter/tables/cycle_values.hpp"
#include "test_run.hpp"

using testrun::scannedMean;

using namespace converter;

namespace {

double mean(std::initializer_list<double> values) {
    ValueList list;
    for (double v : values) list.add(v);
    return trimmedMean(list);
}

FractionTables tables() {
    FractionTables t;
    buildFractionTables(0.0316227766016838, 8, t);
    return t;
}

}  // namespace

TEST(TrimmedMean, WorkedExamples) {
    EXPECT_EQ(mean({7}), 7);
    EXPECT_EQ(mean({3, 4}), 3.5);
    EXPECT_EQ(mean({9, 1, 5}), 5);
    EXPECT_EQ(mean({5, 1, 1, 9}), 3);
    EXPECT_EQ(mean({}), 0);  // an empty zero window gives zero signal 0
    // n = 7..10 removes two from each end.
    EXPECT_EQ(mean({1, 2, 100, 3, 4, -50, 5}), 3);
}

TEST(TrimmedMean, LongListsRemoveExactlyTheSameValues) {
    // Ties everywhere (few distinct values) and values whose sum depends on
    // the order of addition: the result must be bit-identical to the scans.
    std::mt19937 random(12345);
    ValueList list;
    for (int round = 0; round < 400; ++round) {
        const size_t n = 1 + random() % (round < 300 ? 120 : 3000);
        const int spread = round % 3 == 0 ? 3 : 1000000;
        std::vector<double> v(n);
        for (double& x : v)
            x = static_cast<double>(static_cast<int>(random() % spread) - spread / 2) *
                (round % 2 ? 0.1 : 1e10 + 0.37);
        list.clear();
        for (double x : v) list.add(x);
        const double expected = scannedMean(v);
        ASSERT_EQ(trimmedMean(list), expected) << "n = " << n << ", round " << round;
    }
}

TEST(DustPulses, MoveNegativeSignalsOntoThePartner) {
    double cv[87] = {};
    auto pair = [&](int i, double a, double b) { cv[kPositive + i] = a, cv[kNegative + i] = b; };
    pair(0, -3, 10);
    pair(1, -3, 2);
    pair(2, 4, -1);
    pair(3, -1, -2);
    pair(34, 5, -5);
    correctDustPulses(cv);
    EXPECT_EQ(cv[kPositive + 0], 0);
    EXPECT_EQ(cv[kNegative + 0], 7);
    EXPECT_EQ(cv[kPositive + 1], -3);
    EXPECT_EQ(cv[kNegative + 1], 2);
    EXPECT_EQ(cv[kPositive + 2], 3);
    EXPECT_EQ(cv[kNegative + 2], 0);
    EXPECT_EQ(cv[kPositive + 3], -1);
    EXPECT_EQ(cv[kNegative + 3], -2);
    EXPECT_EQ(cv[kPositive + 34], 0);
    EXPECT_EQ(cv[kNegative + 34], 0);
}

TEST(Resolution, BandedSumsEqualTheFullMatrixProduct) {
    FractionTables t = tables();
    ConverterSettings s;
    s.c_inv_n2 = -0.07;
    s.c_inv_n1 = -0.31;
    s.c_inv_p1 = -0.23;
    s.c_inv_p2 = 0.05;
    s.z_limit = 0.8;
    ASSERT_TRUE(buildResolutionMatrix(s, t));
    std::mt19937 random(7);
    double cv[87], expected[87];
    for (double& x : cv) x = static_cast<double>(random() % 20001) / 7.0 - 1000;
    std::copy(cv, cv + 87, expected);
    for (int base : {kPositive, kNegative}) {
        double* x = expected + base;
        for (int i = 0; i < 35; ++i) {
            double sum = 0;
            for (int k = 0; k < 35; ++k) sum += t.resolutionMatrix[i][k] * x[k];
            x[i] = sum;
        }
    }
    correctResolution(t, cv);
    for (int k = 0; k < 87; ++k) EXPECT_EQ(cv[k], expected[k]) << k;

    // The identity changes nothing.
    s.c_inv_n2 = s.c_inv_n1 = s.c_inv_p1 = s.c_inv_p2 = 0;
    ASSERT_TRUE(buildResolutionMatrix(s, t));
    std::copy(cv, cv + 87, expected);
    correctResolution(t, cv);
    for (int k = 0; k < 87; ++k) EXPECT_EQ(cv[k], expected[k]);
}

TEST(Concentration, LossAndLowMobilityFactors) {
    FractionTables t = tables();
    EXPECT_EQ(lossFactor(2.5, 20, 1013, 0.3), lossFactor(2.0, 20, 1013, 0.3));
    EXPECT_EQ(lossFactor(1.0, 0, 1013, 0.3), std::exp(0.3));
    EXPECT_EQ(lossFactor(0.5, 20, 1013, 0), 1.0);
    double loss[35];
    channelLossFactors(t, 17.25, 987.4, 0.137, loss);
    for (int i = 0; i < 35; ++i) EXPECT_EQ(loss[i], lossFactor(t.channelMobility[i], 17.25, 987.4, 0.137));

    // Supply 23.5 and headerParam4/5 2 and 3: K+ = 2, K- = 3. With the
    // low-mobility coefficient 0 and no loss, F is exactly 1.
    double cv[87];
    for (int k = 0; k < 87; ++k) cv[k] = k;
    InstrumentCoefficients c{2, 3, 0, 0};
    ConcentrationScale k = scaleToConcentration(t, c, cv, 23.5, 200, 20, 1013);
    EXPECT_EQ(k.positive, 2);
    EXPECT_EQ(k.negative, 3);
    EXPECT_EQ(cv[kPositive + 7], 2 * (kPositive + 7));
    EXPECT_EQ(cv[kNegative + 7], 3 * (kNegative + 7));

    // headerParam7 0.1 and battSum 240: F = 0.2 / Z lifts only the channels
    // below mobility 0.2 (channel 0 at about 0.029 by 6.8); never below 1.
    for (int k2 = 0; k2 < 87; ++k2) cv[k2] = 1;
    c.lowMobility = 0.1;
    scaleToConcentration(t, c, cv, 23.5, 240, 20, 1013);
    EXPECT_NEAR(cv[kPositive + 0], 2 * 0.2 / t.channelMobility[0], 1e-12);
    EXPECT_NEAR(cv[kNegative + 0] / cv[kPositive + 0], 1.5, 1e-15);
    for (int i = 14; i < 35; ++i) EXPECT_EQ(cv[kPositive + i], 2) << i;
}

TEST(Noise, SecondDifferencesOfTheZeroSignals) {
    double z[87] = {};
    EXPECT_EQ(estimateNoise(z).positive, 0);
    // A straight line has no fourth difference.
    for (int i = 0; i < 35; ++i) z[kPositive + i] = 3 + 0.5 * i, z[kNegative + i] = i;
    EXPECT_NEAR(estimateNoise(z).positive, 0, 1e-12);
    // One spike at channel 10 enters five centre terms: 1 + 16 + 36 + 16 + 1.
    for (int i = 0; i < 35; ++i) z[kNegative + i] = 0;
    z[kNegative + 10] = 2;
    EXPECT_DOUBLE_EQ(estimateNoise(z).negative, std::sqrt(4 * 70 / 1080.0));
    // Channel 0 never enters.
    z[kNegative + 10] = 0;
    z[kNegative + 0] = 100;
    EXPECT_EQ(estimateNoise(z).negative, 0);
}

TEST(MobilityModel, WorkedValuesAt20CAnd1013mb) {
    EXPECT_NEAR(particleMobility(0.5623, 20, 1013), 2.06, 0.005);
    EXPECT_NEAR(particleMobility(1.0, 20, 1013), 1.08, 0.005);
    EXPECT_NEAR(particleMobility(4.217, 20, 1013), 0.090, 0.0005);
    EXPECT_NEAR(particleMobility(7.499, 20, 1013), 0.0322, 0.00005);
    double previous = 1e9;
    for (double d = 0.4; d < 8; d += 0.1) {
        const double z = particleMobility(d, 20, 1013);
        EXPECT_LT(z, previous);
        previous = z;
    }
    // Lower pressure, longer free path, higher mobility.
    EXPECT_GT(particleMobility(2, 20, 800), particleMobility(2, 20, 1013));
    // No air state, no mobility (and no endless iteration).
    EXPECT_TRUE(std::isnan(particleMobility(1, -300, 1013)));
}

TEST(TrimmedMean, ChannelReadingsAllAtOnceEqualOneByOne) {
    // Lists of every length class: no removal, one from each end, the kept
    // extremes of up to eight, and the selection of long lists; readings
    // with many ties and with the full 32-bit range.
    testrun::TestRun t(0, 5, 5, 0);
    std::mt19937 random(4242);
    for (int r = 0; r < 400; ++r)
        t.add(testrun::at(2011, 2, 11, 0, 0, 0) + r / 86400.0, 1, [&](int32_t* f) {
            for (int k = 5; k < 75; ++k)
                f[k] = k < 40 ? static_cast<int32_t>(random() % 7) - 3 : static_cast<int32_t>(random());
        });
    ValueList list;
    std::vector<int32_t> records, column;
    for (size_t n : {0, 1, 2, 3, 6, 7, 10, 13, 30, 34, 35, 38, 60, 399}) {
        records.clear();
        for (size_t i = 0; i < n; ++i) records.push_back(static_cast<int32_t>(1 + (i * 37) % 400));
        double means[87] = {};
        channelTrimmedMeans(t.run.store, records, column, means);
        for (int k = 5; k < 75; ++k) {
            list.clear();
            for (int32_t r : records) list.add(t.run.store.record(r)[k]);
            ASSERT_EQ(means[k], trimmedMean(list)) << "n " << n << ", field " << k;
        }
    }
}

TEST(AirFactorCache, EveryAirStateGetsItsOwnFactorsBeyondThePool) {
    // More distinct air states than the cache holds: every answer must still
    // be the factors of exactly the (T, p) asked for.
    std::istringstream in;
    std::ostringstream out;
    platform::Console console(in, out);
    ConverterRun run(console);
    buildFractionTables(0.0316227766016838, 8, run.fractions);
    run.store.headerParam6 = 0.065;
    const int states = static_cast<int>(LineWork::kAirPool) + 3000;
    double expected[35];
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < states; i += pass == 0 ? 1 : 997) {
            const double T = (1500 + i % 1000) / 100.0, p = (9800 + i / 1000) / 10.0;
            const AirFactors& a = airFactors(run, run.work, T, p, i % 7 == 0);
            channelLossFactors(run.fractions, T, p, 0.065, expected);
            for (int c = 0; c < 35; ++c) ASSERT_EQ(a.loss[c], expected[c]) << i << " " << c;
            if (i % 7 == 0) {
                const double r0 = std::log(particleMobility(run.fractions.dBound[1], T, p));
                EXPECT_EQ(a.bound[1], std::clamp(r0, run.fractions.logBoundary[0], run.fractions.logBoundary[35]));
            }
        }
}
