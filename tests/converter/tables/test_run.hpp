// A conversion run set up in-process, as the run sets it up before the
// lines are written, with records filled by the test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "converter/run.hpp"
#include "converter/tables/daily_table.hpp"
#include "platform/datetime.hpp"
#include "platform/files.hpp"

namespace testrun {

namespace fs = std::filesystem;

struct TempFolder {
    fs::path path;
    TempFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path = fs::temp_directory_path() /
               (std::string("kevor-tables-") + info->test_suite_name() + "-" + info->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

// The robust mean as plainly as it can be written: k = (n + 1) div 4 times
// the first smallest and then the first largest value still taken are
// removed; the rest is summed in list order.
inline double scannedMean(const std::vector<double>& v) {
    std::vector<bool> taken(v.size(), true);
    for (size_t rep = 0; rep < (v.size() + 1) / 4; ++rep) {
        size_t low = 0, high = 0;
        double lowValue = 1e33, highValue = -1e33;
        for (size_t i = 0; i < v.size(); ++i)
            if (taken[i] && v[i] < lowValue) lowValue = v[i], low = i;
        taken[low] = false;
        for (size_t i = 0; i < v.size(); ++i)
            if (taken[i] && v[i] > highValue) highValue = v[i], high = i;
        taken[high] = false;
    }
    double sum = 0;
    int count = 0;
    for (size_t i = 0; i < v.size(); ++i)
        if (taken[i]) sum += v[i], ++count;
    return sum / count;
}

inline double at(int y, int mo, int d, int h, int mi, int s) {
    return platform::encodeDate(y, mo, d) + platform::encodeTime(h, mi, s, 0);
}

struct TestRun {
    std::istringstream in;
    std::ostringstream out;
    platform::Console console{in, out};
    converter::ConverterRun run{console};

    TestRun(int outputstyle, int cycleminutes, int zerominutes, int extracorrect) {
        run.store.allocate();
        run.store.record(0)[converter::field::kind] = -1;
        run.store.record(-1)[converter::field::kind] = -1;
        run.store.headerParam4 = 1;
        run.store.headerParam5 = 1;
        auto& s = run.settings;
        s.outputstyle = outputstyle;
        s.cycleminutes = cycleminutes;
        s.zerominutes = zerominutes;
        s.extracorrect = extracorrect;
        s.extension = "txt";
        s.c_inv_n2 = s.c_inv_n1 = s.c_inv_p1 = s.c_inv_p2 = 0;
        s.z_limit = 1;
        run.cycleDays = cycleminutes / 1440.0;
        run.fractionsPerDecade = outputstyle == 0 ? 8 : 16;
        run.mobilityBase = outputstyle == 0 ? 0.0316227766016838 : 0.421696503428582;
        converter::fillFieldDivisorAndColumnDecimals(run);
        run.cycles.allocate();
    }

    // Appends a record at time `when` of the given kind: air 20 degC, 50 %,
    // 1013 mb, supply 23.5, batteries 100 each, every channel 0, and the
    // rest as `fill` sets it.
    int32_t* add(double when, int kind, const std::function<void(int32_t*)>& fill = {}) {
        auto& store = run.store;
        int r = ++store.recordCount;
        int32_t* f = store.record(r);
        std::fill_n(f, converter::kRawFieldCount, 0);
        store.recordTime[r] = when;
        platform::DateTimeParts p = platform::decode(when);
        f[0] = p.hour * 10000 + p.minute * 100 + p.second;
        f[1] = kind;
        f[2] = 2000;
        f[3] = 500;
        f[4] = 10130;
        f[75] = 235;
        f[78] = f[79] = 100;
        if (fill) fill(f);
        return f;
    }

    // Builds the tables as the run does before writing.
    void prepare() {
        converter::buildCycles(run.store, run.settings, run.cycles);
        converter::buildFractionTables(run.mobilityBase, run.fractionsPerDecade, run.fractions);
        if (run.settings.extracorrect > 1) {
            ASSERT_TRUE(converter::buildResolutionMatrix(run.settings, run.fractions));
        }
    }

    // The data lines of all cycles (CR LF each), and how many were left out.
    std::string lines(int& leftOut) {
        std::string text;
        leftOut = 0;
        for (int c = 1; c <= run.cycles.cycleCount; ++c) {
            bool written = run.settings.outputstyle == 2 ? converter::appendBasicLine(run, run.work, c, text)
                                                         : converter::appendStandardLine(run, run.work, c, text);
            leftOut += !written;
        }
        return text;
    }
    std::string lines() {
        int leftOut = 0;
        return lines(leftOut);
    }
};

}  // namespace testrun
