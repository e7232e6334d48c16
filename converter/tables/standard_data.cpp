// One standard-data line per cycle: air state, noise, diameter and mobility
// fractions, instrument readings, totals, cluster-ion mobility, counters.
#include <cmath>
#include <limits>

#include "converter/tables/cycle_values.hpp"
#include "converter/tables/daily_table.hpp"
#include "converter/tables/table_format.hpp"
#include "platform/number_text.hpp"

namespace converter {

namespace {

// Columns 9..28: ten diameter fractions per polarity, each the concentration
// of its mobility span per decade of diameter.
void diameterFractions(const FractionTables& t, const AirFactors& a, const double* cv, double* col) {
    const double s = std::log(10.0) / 16;
    for (int j = 0; j < 10; ++j) {
        const double rLow = a.bound[j + 1];  // R[j]
        const double rHigh = a.bound[j];     // R[j - 1]
        const int lo = a.lo[j], hi = a.hi[j];
        for (int base : {kPositive, kNegative}) {
            const double* x = cv + base;
            double e;
            if (rLow >= rHigh) {
                // Wholly outside the channel range, or (at low pressure) the
                // mobility of the fraction's small end lies above its upper
                // end, the lower boundary of channel 34: an empty span.
                e = 0;
            } else if (lo == hi) {
                e = (rHigh - rLow) * x[lo - 1] / s;
            } else {
                e = (t.logBoundary[lo] - rLow) * x[lo - 1] / s +
                    (rHigh - t.logBoundary[hi - 1]) * x[hi - 1] / s;
                for (int i = lo; i <= hi - 2; ++i) e += x[i];
            }
            col[(base == kPositive ? 9 : 19) + j] = e / 2;
        }
    }
}

}  // namespace

bool appendStandardLine(const ConverterRun& run, LineWork& w, int cycle, std::string& text) {
    const RawStore& store = run.store;
    const ConverterSettings& settings = run.settings;
    const FractionTables& tables = run.fractions;
    double* cv = w.cycleValues;
    double* col = w.columns;
    const int first = run.cycles.cycleFirst[cycle], last = run.cycles.cycleLast[cycle];
    const int n = last - first + 1;

    // Cycle time: the record's own, or the trimmed mean of the record times.
    double t;
    if (settings.cycleminutes == 0) {
        t = run.cycles.cycleTime[cycle];
    } else {
        w.reserve(static_cast<size_t>(store.recordCount) + 1);
        w.list.clear();
        for (int r = first; r <= last; ++r) w.list.add(store.recordTime[r]);
        t = trimmedMean(w.list);
    }
    const TimeColumns time = standardTimeColumns(t, settings.cycleminutes);
    col[1] = time.yymmdd;
    col[2] = time.hhmm;
    col[3] = time.day;

    cycleMeans(store, first, last, cv);
    const double T = cv[field::temperature] / 100;
    const double p = cv[field::pressure] / 10;
    w.temperature = T;
    w.pressure = p;
    col[4] = T;
    col[5] = cv[field::humidity] / 10;
    col[6] = p;
    if (!(p > 0)) return false;
    for (int k = 75; k <= 84; ++k) col[k - 14] = cv[k] / run.fieldDivisor[k];
    col[77] = ovlScValue(cv[field::overload], n);
    col[78] = static_cast<double>(
        regimeCode(settings.outputstyle, settings.extracorrect, store.record(last)[field::status]));

    channelSignals(run, w, cycle);
    const AirFactors& air = airFactors(run, w, T, p, true);
    if (!air.diametersFinite) return false;
    const ConcentrationScale k =
        scaleToConcentration(tables, instrumentCoefficients(store), cv, col[61], col[64] + col[65], air.loss);

    const NoisePair noise = estimateNoise(w.zeroValues);
    col[7] = k.positive * noise.positive;
    col[8] = k.negative * noise.negative;

    // Totals per polarity: large ions of channels 1..19, cluster ions of
    // 20..34, each a sum of concentrations per decade / 16.
    for (int side = 0; side < 2; ++side) {
        const double* x = cv + (side == 0 ? kPositive : kNegative);
        double large = 0, cluster = 0, moment = 0;
        for (int i = 1; i <= 19; ++i) large += x[i];
        for (int i = 20; i <= 34; ++i) cluster += x[i];
        for (int i = 20; i <= 34; ++i) moment += tables.channelMobility[i] * x[i];
        const double clusterTotal = cluster / 16;
        col[71 + side] = large / 16;
        col[73 + side] = clusterTotal;
        col[75 + side] = clusterTotal >= 10 ? moment / (16 * clusterTotal) : 0;
    }

    for (int m = 0; m < 16; ++m) {
        if (settings.outputstyle == 0) {
            col[29 + m] = (cv[kPositive + 1 + 2 * m] + cv[kPositive + 2 + 2 * m]) / 2;
            col[45 + m] = (cv[kNegative + 1 + 2 * m] + cv[kNegative + 2 + 2 * m]) / 2;
        } else {
            col[29 + m] = cv[kPositive + 19 + m];
            col[45 + m] = cv[kNegative + 19 + m];
        }
    }
    diameterFractions(tables, air, cv, col);

    // The postprocessor reads every value as a single float: a value beyond
    // that range is as unusable in the table as one that is not finite.
    for (int c = 1; c <= 78; ++c)
        if (!(std::fabs(col[c]) <= std::numeric_limits<float>::max())) return false;

    char line[78 * (platform::kFixedTextRoom + 1) + 2];
    char* at = line;
    for (int c = 1; c <= 77; ++c) {
        at = platform::writeFixed(at, col[c], run.columnDecimals[c - 1]);
        *at++ = '\t';
    }
    at = platform::writeFixed(at, col[78], 0);
    *at++ = '\r';
    *at++ = '\n';
    text.append(line, at);
    return true;
}

}  // namespace converter
