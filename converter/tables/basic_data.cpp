// One basic-data line per cycle: the raw fields as cycle values.
#include <cmath>
#include <cstdint>
#include <limits>

#include "converter/tables/cycle_values.hpp"
#include "converter/tables/daily_table.hpp"
#include "converter/tables/table_format.hpp"
#include "platform/number_text.hpp"

namespace converter {

namespace {

// Nearest whole number, halves to the even one; false when there is none
// among the signed 32-bit integers that a basic-data line holds (a runaway
// resolution correction can take a channel far beyond them).
bool roundedField(double value, int64_t& result) {
    const double r = platform::roundHalfEven(value);
    if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max())) return false;
    result = static_cast<int64_t>(r);
    return true;
}

}  // namespace

bool appendBasicLine(const ConverterRun& run, LineWork& w, int cycle, std::string& text) {
    const RawStore& store = run.store;
    const ConverterSettings& settings = run.settings;
    double* cv = w.cycleValues;
    const int first = run.cycles.cycleFirst[cycle], last = run.cycles.cycleLast[cycle];
    const int n = last - first + 1;
    int64_t b[87];

    // Cycle time: the record's own, or the centre of the grid slot that
    // holds the midpoint of the first and last record times, found in half
    // seconds.
    double t;
    if (settings.cycleminutes == 0) {
        t = run.cycles.cycleTime[cycle];
    } else {
        const int64_t twiceMid = recordSeconds(store.recordTime[first]) + recordSeconds(store.recordTime[last]);
        const int64_t slot = twiceMid / (int64_t{settings.cycleminutes} * 120);
        const double days = settings.cycleminutes / 1440.0;
        t = static_cast<double>(slot) * days + days / 2;
    }
    const BasicTime time = basicTimeColumns(t);
    b[0] = time.yymmdd;
    b[1] = time.hhnnss;

    cycleMeans(store, first, last, cv);
    for (int k : {2, 3, 4})
        if (!roundedField(cv[k], b[k])) return false;
    for (int k = 75; k <= 84; ++k)
        if (!roundedField(cv[k], b[k])) return false;
    if (!roundedField(ovlScValue(cv[field::overload], n), b[85])) return false;
    b[86] = regimeCode(settings.outputstyle, settings.extracorrect, store.record(last)[field::status]);

    channelSignals(run, w, cycle);
    const double T = static_cast<double>(b[2]) / 100;
    const double p = static_cast<double>(b[4]) / 10;
    w.temperature = T;
    w.pressure = p;
    if (!(p > 0)) return false;
    const AirFactors& air = airFactors(run, w, T, p, false);
    scaleToConcentration(run.fractions, instrumentCoefficients(store), cv, static_cast<double>(b[75]) / 10,
                         static_cast<double>(b[78]) + static_cast<double>(b[79]), air.loss);
    for (int i = 0; i < 35; ++i) {
        if (!roundedField(cv[kPositive + i], b[kPositive + i])) return false;
        if (!roundedField(cv[kNegative + i], b[kNegative + i])) return false;
    }

    appendIntegerLine(text, b, 87);
    return true;
}

}  // namespace converter
