// Whole data lines against an independent working of the same cycle.
#include <gtest/gtest.h>

#include <vector>

#include <algorithm>
#include <cmath>
#include <random>

#include "platform/number_text.hpp"
#include "test_run.hpp"

using namespace converter;
using testrun::at;
using testrun::scannedMean;
using testrun::TestRun;

namespace {

// Twelve and a half minutes of records every 30 s around 10:00 with zero
// records among them; every field varies from record to record.
void fillMorning(TestRun& t, unsigned seed) {
    std::mt19937 random(seed);
    auto uniform = [&](int low, int high) { return low + static_cast<int>(random() % (high - low + 1)); };
    auto& store = t.run.store;
    store.headerParam4 = 0.8;
    store.headerParam5 = 0.9;
    store.headerParam6 = 0.12;
    store.headerParam7 = 0.05;
    const int zeros[] = {95700, 95830, 100200, 100630, 100730, 100800};
    for (int s = 9 * 3600 + 56 * 60; s <= 10 * 3600 + 8 * 60 + 30; s += 30) {
        const int hhmmss = s / 3600 * 10000 + s / 60 % 60 * 100 + s % 60;
        const bool zero = std::find(std::begin(zeros), std::end(zeros), hhmmss) != std::end(zeros);
        t.add(at(2011, 2, 11, s / 3600, s / 60 % 60, s % 60), zero ? 0 : 1, [&](int32_t* f) {
            f[2] = uniform(1950, 2050);
            f[3] = uniform(400, 600);
            f[4] = uniform(10100, 10150);
            for (int i = 0; i < 35; ++i) {
                // Offsets around 100, signals up to a few thousand, some
                // negative after the zero correction.
                f[5 + i] = zero ? uniform(50, 150) : uniform(-200, 3000);
                f[40 + i] = zero ? uniform(50, 150) : uniform(-200, 3000);
            }
            f[75] = uniform(230, 240);
            f[76] = uniform(0, 100);
            f[77] = uniform(0, 100);
            f[78] = uniform(90, 110);
            f[79] = uniform(90, 110);
            f[80] = uniform(-500, 500);
            f[81] = uniform(-500, 500);
            f[82] = uniform(0, 100);
            f[83] = uniform(0, 100);
            f[84] = uniform(-50, 50);
            f[85] = uniform(0, 3);
            f[86] = uniform(0, 9999999);
        });
    }
}

int fromText(const std::string& text, size_t from, size_t count) { return std::stoi(text.substr(from, count)); }

// The standard line of cycle c worked out step by step.
std::string expectedStandardLine(TestRun& t, int c) {
    const auto& run = t.run;
    const auto& store = run.store;
    const auto& s = run.settings;
    const auto& tab = run.fractions;
    const int first = run.cycles.cycleFirst[c], last = run.cycles.cycleLast[c];
    const int n = last - first + 1;
    double col[79];

    double time;
    if (s.cycleminutes == 0) {
        time = run.cycles.cycleTime[c];
        const std::string text = platform::formatDateTime("yymmddhhnnss", time);
        col[1] = fromText(text, 0, 6);
        col[2] = fromText(text, 6, 4) + fromText(text, 10, 2) / 60.0;
    } else {
        std::vector<double> times(store.recordTime.get() + first, store.recordTime.get() + last + 1);
        time = scannedMean(times);
        const std::string text = platform::formatDateTime("yymmddhhnn", time + 15 / 86400.0);
        const int m = s.cycleminutes;
        col[1] = fromText(text, 0, 6);
        col[2] = fromText(text, 6, 2) * 100 + fromText(text, 8, 2) / m * m + m / 2.0;
    }
    const std::string clock = platform::formatDateTime("hhnnss", time);
    col[3] = platform::dayOfYear(time) +
             (fromText(clock, 0, 2) * 3600 + fromText(clock, 2, 2) * 60 + fromText(clock, 4, 2)) / 86400.0;

    auto mean = [&](int k) {
        double sum = 0;
        for (int r = first; r <= last; ++r) sum += store.record(r)[k];
        return sum / n;
    };
    const double T = mean(2) / 100, p = mean(4) / 10;
    col[4] = T;
    col[5] = mean(3) / 10;
    col[6] = p;
    const double divisors[] = {10, 1, 1, 1, 1, 100, 100, 1, 1, 1};
    for (int k = 75; k <= 84; ++k) col[k - 14] = mean(k) / divisors[k - 75];
    double overloads = 0;
    for (int r = first; r <= last; ++r) overloads += store.record(r)[85];
    col[77] = 100 * overloads + n;
    const int status = store.record(last)[86];
    col[78] = s.outputstyle * 100000 + status / 1000 % 100 * 1000 + s.extracorrect * 100 + status % 100;

    // Signals of each polarity, channels 0..34.
    double x[2][35], z[2][35];
    for (int side = 0; side < 2; ++side)
        for (int i = 0; i < 35; ++i) {
            const int k = (side ? 40 : 5) + i;
            std::vector<double> zero, measured;
            for (int r = run.cycles.zeroFirst[c]; r <= run.cycles.zeroLast[c]; ++r)
                if (store.kind(r) == 0) zero.push_back(store.record(r)[k]);
            for (int r = first; r <= last; ++r)
                if (store.kind(r) == 1) measured.push_back(store.record(r)[k]);
            z[side][i] = zero.empty() ? 0 : scannedMean(zero) / 10;
            const double signal = s.cycleminutes == 0 ? store.record(first)[k] / 10.0 : scannedMean(measured) / 10;
            x[side][i] = signal - z[side][i];
        }
    if (s.extracorrect % 2)
        for (int i = 0; i < 35; ++i) {
            const double a = x[0][i], b = x[1][i];
            if (a < 0 && a + b >= 0) x[0][i] = 0, x[1][i] = a + b;
            if (b < 0 && a + b >= 0) x[1][i] = 0, x[0][i] = a + b;
        }
    if (s.extracorrect > 1)
        for (auto& polarity : x)
            for (int i = 0; i < 35; ++i) {
                double sum = 0;
                for (int k = 0; k < 35; ++k) sum += tab.resolutionMatrix[i][k] * polarity[k];
                polarity[i] = sum;
            }

    const double supply = col[61], battSum = col[64] + col[65];
    const double scale[2] = {store.headerParam4 / (supply / 23.5), store.headerParam5 / (supply / 23.5)};
    for (int i = 0; i < 35; ++i) {
        const double zc = std::min(tab.channelMobility[i], 2.0);
        double f = std::max(1.0, 480 / battSum * store.headerParam7 / tab.channelMobility[i]);
        f *= std::exp(store.headerParam6 * std::pow(T / 273 + 1, 7.0 / 18) * std::pow(p / 1013, 1.0 / 6) *
                      std::pow(zc, 2.0 / 3));
        for (int side = 0; side < 2; ++side) x[side][i] = x[side][i] * scale[side] * f;
    }

    const double ln10 = std::log(10.0);
    for (int side = 0; side < 2; ++side) {
        const double* v = x[side];
        double e2 = 0;
        for (int ch = 3; ch <= 32; ++ch) {
            const double e = 6 * z[side][ch] - 4 * z[side][ch - 1] - 4 * z[side][ch + 1] + z[side][ch - 2] +
                             z[side][ch + 2];
            e2 += e * e;
        }
        col[7 + side] = scale[side] * std::sqrt(e2 / 1080);
        double large = 0, cluster = 0, moment = 0;
        for (int i = 1; i <= 19; ++i) large += v[i];
        for (int i = 20; i <= 34; ++i) cluster += v[i], moment += tab.channelMobility[i] * v[i];
        col[71 + side] = large / 16;
        col[73 + side] = cluster / 16;
        col[75 + side] = cluster / 16 >= 10 ? moment / (16 * (cluster / 16)) : 0;
        for (int m = 0; m < 16; ++m)
            col[(side ? 45 : 29) + m] = s.outputstyle == 0 ? (v[1 + 2 * m] + v[2 + 2 * m]) / 2 : v[19 + m];
        // Diameter fractions: the channels' concentrations integrated over
        // the fraction's span of ln mobility.
        for (int j = 0; j < 10; ++j) {
            const double upper = j == 0 ? ln10 * 9 / 16 : std::log(particleMobility(tab.dBound[j], T, p));
            const double lower = std::log(particleMobility(tab.dBound[j + 1], T, p));
            double e = 0;
            for (int i = 0; i < 35; ++i) {
                const double from = std::max(lower, ln10 * (i - 25) / 16);
                const double to = std::min(upper, ln10 * (i - 24) / 16);
                if (to > from) e += (to - from) / (ln10 / 16) * v[i];
            }
            col[(side ? 19 : 9) + j] = e / 2;
        }
    }

    std::string line;
    for (int k = 1; k <= 78; ++k) {
        line += platform::formatFixed(col[k], k == 78 ? 0 : run.columnDecimals[k - 1]);
        line += k == 78 ? "\r\n" : "\t";
    }
    return line;
}

}  // namespace

TEST(StandardData, WholeLinesAgreeWithAStepByStepWorking) {
    for (int cycleminutes : {5, 0})
        for (int outputstyle : {0, 1})
            for (int extracorrect : {0, 1, 2, 3}) {
                TestRun t(outputstyle, cycleminutes, 10, extracorrect);
                auto& s = t.run.settings;
                s.c_inv_n2 = -0.05;
                s.c_inv_n1 = -0.2;
                s.c_inv_p1 = -0.1;
                s.c_inv_p2 = -0.02;
                s.z_limit = 1;
                fillMorning(t, 1000 + cycleminutes * 10 + outputstyle * 4 + extracorrect);
                t.prepare();
                ASSERT_GE(t.run.cycles.cycleCount, cycleminutes ? 3 : 10);
                std::string expected;
                for (int c = 1; c <= t.run.cycles.cycleCount; ++c) expected += expectedStandardLine(t, c);
                int leftOut = 0;
                EXPECT_EQ(t.lines(leftOut), expected)
                    << "cycleminutes " << cycleminutes << ", outputstyle " << outputstyle << ", extracorrect "
                    << extracorrect;
                EXPECT_EQ(leftOut, 0);
            }
}

TEST(StandardData, ZeroWindowsMovingOnRecordByRecord) {
    // Records every 10 s, every third a zero record, windows of 40 minutes:
    // each cycle's window differs from the one before by a record or two.
    TestRun t(0, 0, 40, 1);
    std::mt19937 random(3);
    for (int s = 0; s < 2 * 3600; s += 10)
        t.add(at(2011, 2, 11, 14 + s / 3600, s / 60 % 60, s % 60), s % 30 == 0 ? 0 : 1, [&](int32_t* f) {
            for (int k = 5; k < 75; ++k) f[k] = static_cast<int32_t>(random() % (s % 30 == 0 ? 300 : 5000));
        });
    t.prepare();
    ASSERT_GT(t.run.cycles.cycleCount, 400);
    std::string expected;
    for (int c = 1; c <= t.run.cycles.cycleCount; ++c) expected += expectedStandardLine(t, c);
    EXPECT_EQ(t.lines(), expected);

    // The table's lines made in blocks side by side, each block starting
    // with a zero window of its own, are the same.
    testrun::TempFolder folder;
    t.run.outputName = folder.file("KVA110211.txt");
    writeDailyTable(t.run);
    std::string table;
    ASSERT_TRUE(platform::readWholeFile(t.run.outputName, table));
    EXPECT_EQ(table, "\r\n\r\n\r\n" + expected);
}

TEST(StandardData, LinesDoNotDependOnTheCyclesWrittenBefore) {
    // The zero signals follow the window from cycle to cycle; written alone,
    // or after a cycle further on, every line is the same.
    TestRun t(1, 0, 4, 2);
    fillMorning(t, 77);
    t.prepare();
    const int count = t.run.cycles.cycleCount;
    ASSERT_GE(count, 10);
    std::vector<std::string> inOrder;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < count; ++i) {
            const int c = pass == 0 ? i + 1 : count - (i * 7) % count;
            std::string line;
            ASSERT_TRUE(appendStandardLine(t.run, t.run.work, c, line));
            if (pass == 0)
                inOrder.push_back(line);
            else
                EXPECT_EQ(line, inOrder[c - 1]) << c;
        }
    }
}

TEST(StandardData, AFlatSpectrumGivesEqualFractionsInBothStyles) {
    std::string line[2];
    for (int style : {0, 1}) {
        TestRun t(style, 5, 5, 0);
        for (int m = 0; m < 5; ++m)
            t.add(at(2011, 2, 11, 10, m, 0), 1, [](int32_t* f) { std::fill(f + 5, f + 75, 1000); });
        t.prepare();
        line[style] = t.lines();
    }
    auto field = [](const std::string& text, int column) {
        size_t from = 0;
        for (int c = 1; c < column; ++c) from = text.find('\t', from) + 1;
        return text.substr(from, text.find_first_of("\t\r", from) - from);
    };
    for (int c = 29; c <= 60; ++c) EXPECT_EQ(field(line[0], c), "100") << c;
    EXPECT_EQ(field(line[0], 29), field(line[1], 29));
    // Zero windows without zero records: zero signal 0, noise 0.
    EXPECT_EQ(field(line[0], 7), "0");
    EXPECT_EQ(field(line[0], 8), "0");
    // Every channel 100 per decade: N = 19 * 100 / 16, n = 15 * 100 / 16.
    EXPECT_EQ(field(line[0], 71), "119");
    EXPECT_EQ(field(line[0], 73), "94");
    EXPECT_EQ(field(line[0], 77), "5");
    // The ten diameter fractions / 8 hold the concentration of the span from
    // the mobility of dBound[10] to the lower boundary of channel 34 (about
    // 2.05 decades of 100 per decade).
    double sum = 0;
    for (int c = 9; c <= 18; ++c) sum += std::stod(field(line[0], c));
    EXPECT_NEAR(sum / 8, 100 * (std::log10(std::pow(10.0, 9 / 16.0)) -
                                     std::log10(particleMobility(0.4216965 * std::pow(10.0, 10 / 8.0), 20, 1013))),
                5);
}

TEST(StandardData, CyclesWithoutFiniteValuesAreLeftOut) {
    TestRun t(0, 1, 3, 3);
    for (int m = 0; m < 4; ++m)
        t.add(at(2011, 2, 11, 10, m, 0), 1, [&](int32_t* f) {
            std::fill(f + 5, f + 75, 500);
            if (m == 1) f[4] = 0;         // no pressure
            if (m == 2) f[75] = 0;        // no supply
            if (m == 3) f[78] = f[79] = 0;  // no batteries
        });
    t.run.store.headerParam7 = 0.05;
    t.prepare();
    ASSERT_EQ(t.run.cycles.cycleCount, 4);
    int leftOut = 0;
    const std::string text = t.lines(leftOut);
    EXPECT_EQ(leftOut, 3);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    EXPECT_EQ(text.substr(0, 14), "110211\t1000.5\t");
}

TEST(StandardData, CyclesBeyondTheSingleFloatRangeAreLeftOut) {
    // Finite, but too large for the single floats the postprocessor reads.
    TestRun t(0, 1, 3, 0);
    t.add(at(2011, 2, 11, 10, 0, 0), 1, [&](int32_t* f) { std::fill(f + 5, f + 75, 500); });
    t.run.store.headerParam4 = 1e300;
    t.prepare();
    ASSERT_EQ(t.run.cycles.cycleCount, 1);
    int leftOut = 0;
    EXPECT_EQ(t.lines(leftOut), "");
    EXPECT_EQ(leftOut, 1);
}

TEST(StandardData, DiameterFractionsOutsideTheChannelsStayInTheTable) {
    // At 400 mb the smallest diameters are more mobile than the top channel,
    // at 1300 mb the largest less mobile than the bottom one: the fractions
    // are clamped to the channel range and every line is written.
    for (int tenthsMb : {4000, 13000, 30000}) {
        TestRun t(0, 1, 3, 0);
        for (int m = 0; m < 2; ++m)
            t.add(at(2011, 2, 11, 10, 0, 10 * m), 1, [&](int32_t* f) {
                f[4] = tenthsMb;
                std::fill(f + 5, f + 75, 800);
            });
        t.prepare();
        int leftOut = 0;
        const std::string text = t.lines(leftOut);
        EXPECT_EQ(leftOut, 0) << tenthsMb;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\t'), 77) << tenthsMb;
        // Below about 570 mb the smallest fraction's mobility span is empty:
        // its small end is more mobile than its upper end, channel 34's
        // lower boundary. It holds 0, not a neighbour channel's value.
        std::vector<std::string> fields;
        std::string field;
        for (char c : text) {
            if (c == '\t' || c == '\r') {
                fields.push_back(field);
                field.clear();
            } else if (c != '\n') {
                field += c;
            }
        }
        ASSERT_EQ(fields.size(), 78u);
        if (tenthsMb == 4000) {
            EXPECT_EQ(fields[8], "0");   // D+0.487
            EXPECT_EQ(fields[18], "0");  // D-0.487
        } else {
            EXPECT_NE(fields[8], "0") << tenthsMb;
        }
    }
}

TEST(BasicData, CycleValuesInRawUnits) {
    TestRun t(2, 5, 5, 1);
    const int seconds[] = {10, 50, 90, 130, 170, 210, 250, 290};  // 12:35:10 .. 12:39:50
    for (int i = 0; i < 8; ++i) {
        const bool zero = i == 2 || i == 6;
        t.add(at(2011, 2, 11, 12, 35 + seconds[i] / 60, seconds[i] % 60), zero ? 0 : 1, [&](int32_t* f) {
            f[2] = 2000 + i % 2;  // mean 2000.5 is written 2000
            f[76] = 3 + i % 2;    // mean 3.5 is written 4
            f[85] = i == 1 || i == 4;
            f[86] = 1234567;
            for (int c = 0; c < 35; ++c) {
                f[5 + c] = zero ? 40 : 1000 + c;
                f[40 + c] = zero ? 45 : 500;
            }
            if (i == 3) f[5 + 7] = 90000;  // trimmed away
        });
    }
    t.add(at(2011, 2, 11, 12, 40, 0), 0);  // the next slot: no cycle, not in the window
    t.prepare();
    ASSERT_EQ(t.run.cycles.cycleCount, 1);
    std::string expected = "110211\t123730\t2000\t500\t10130";
    // Channel c: (1000 + c) / 10 - 4 = 96 + c / 10, halves to even.
    for (int c = 0; c < 35; ++c)
        expected += "\t" + std::to_string(static_cast<long long>(platform::roundHalfEven(96 + c / 10.0)));
    for (int c = 0; c < 35; ++c) expected += "\t46";  // 50 - 4.5
    expected += "\t235\t4\t0\t100\t100\t0\t0\t0\t0\t0";
    expected += "\t208\t234167\r\n";  // 100 x 2 overloads + 8 records; regime 2 34 1 67
    EXPECT_EQ(t.lines(), expected);
    EXPECT_NE(expected.find("\t96\t96\t96\t96\t96\t96\t97\t"), std::string::npos);
}

TEST(BasicData, RecordCyclesShowTheRecordsSecondsAndLeaveOutNoPressure) {
    TestRun t(2, 0, 4, 0);
    t.add(at(2011, 2, 11, 0, 4, 0), 0);
    t.add(at(2011, 2, 11, 0, 5, 30), 1);
    t.add(at(2011, 2, 11, 0, 5, 45), 1, [](int32_t* f) { f[4] = -5; });
    t.add(at(2011, 2, 11, 0, 6, 0), 0);
    t.prepare();
    ASSERT_EQ(t.run.cycles.cycleCount, 2);
    int leftOut = 0;
    const std::string text = t.lines(leftOut);
    EXPECT_EQ(leftOut, 1);
    EXPECT_EQ(text.substr(0, 11), "110211\t530\t");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
}

TEST(BasicData, ACycleWithAChannelBeyond32BitsIsLeftOut) {
    TestRun t(2, 1, 3, 0);
    for (int m = 0; m < 2; ++m)
        t.add(at(2011, 2, 11, 10, m, 0), 1, [&](int32_t* f) {
            std::fill(f + 5, f + 75, 500);
            if (m == 1) f[5 + 20] = 2000000000, f[75] = 1;  // 2e8 x 23.5 / 0.1: about 4.7e10
        });
    t.prepare();
    ASSERT_EQ(t.run.cycles.cycleCount, 2);
    int leftOut = 0;
    const std::string text = t.lines(leftOut);
    EXPECT_EQ(leftOut, 1);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    EXPECT_EQ(text.substr(0, 14), "110211\t100030\t");
}
