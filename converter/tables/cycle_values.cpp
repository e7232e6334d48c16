#include "converter/tables/cycle_values.hpp"

#include <algorithm>
#include <bit>
#include <cmath>

namespace converter {

void LineWork::reserve(size_t records) {
    if (list.values.capacity() < records) list.reserve(records);
    if (measuredRecords.capacity() < records) measuredRecords.reserve(records);
    if (zeroRecords.capacity() < records) zeroRecords.reserve(records);
    if (column.capacity() < records) column.reserve(records);
}

namespace {

// Zero windows spanning fewer records than this are worked out afresh.
constexpr int kShortZeroSpan = 128;

constexpr int kMeanFields[] = {2, 3, 4, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84, 85};

void recordsOfKind(const RawStore& store, int first, int last, int kind, std::vector<int32_t>& out) {
    out.clear();
    for (int r = first; r <= last; ++r)
        if (store.kind(r) == kind) out.push_back(r);
}

void addReadings(ZeroWindow& z, const int32_t* record) {
    for (int c = 0; c < 70; ++c) {
        auto& v = z.sorted[c];
        const int32_t x = record[kPositive + c];
        v.insert(std::upper_bound(v.begin(), v.end(), x), x);
        z.total[c] += x;
    }
    ++z.count;
}

void removeReadings(ZeroWindow& z, const int32_t* record) {
    for (int c = 0; c < 70; ++c) {
        auto& v = z.sorted[c];
        const int32_t x = record[kPositive + c];
        v.erase(std::lower_bound(v.begin(), v.end(), x));
        z.total[c] -= x;
    }
    --z.count;
}

// Makes the window hold the zero records first..last (first and last being
// zero records, or 0 and -1 for none).
void moveZeroWindow(const RawStore& store, ZeroWindow& z, int first, int last) {
    // Moved on by a few records (the usual case of one cycle per
    // measurement): update by those; otherwise gather the window anew.
    const bool follows = z.valid && z.count > 0 && first <= last && first >= z.first && first <= z.last &&
                         last >= z.last;
    const int64_t changed = int64_t{first} - z.first + (int64_t{last} - z.last);
    if (follows && changed * 4 < int64_t{last} - first + 1) {
        for (int r = z.first; r < first; ++r)
            if (store.kind(r) == 0) removeReadings(z, store.record(r));
        for (int r = z.last + 1; r <= last; ++r)
            if (store.kind(r) == 0) addReadings(z, store.record(r));
    } else {
        for (int c = 0; c < 70; ++c) z.sorted[c].clear(), z.total[c] = 0;
        z.count = 0;
        for (int r = first; r <= last; ++r) {
            if (store.kind(r) != 0) continue;
            const int32_t* record = store.record(r);
            for (int c = 0; c < 70; ++c) {
                z.sorted[c].push_back(record[kPositive + c]);
                z.total[c] += record[kPositive + c];
            }
            ++z.count;
        }
        for (int c = 0; c < 70; ++c) std::sort(z.sorted[c].begin(), z.sorted[c].end());
    }
    z.first = first;
    z.last = last;
    z.valid = true;
}

// trimmedMean / 10 of each channel's zero readings. The readings are whole
// numbers, so the robust mean is the exact sum of all but the k smallest and
// k largest, divided by their number (see channelTrimmedMeans).
void zeroSignals(const ZeroWindow& z, double zeroValues[87]) {
    const size_t n = z.count;
    const size_t k = (n + 1) / 4;
    for (int c = 0; c < 70; ++c) {
        if (n == 0) {
            zeroValues[kPositive + c] = 0;
            continue;
        }
        const int32_t* v = z.sorted[c].data();
        int64_t kept = z.total[c];
        for (size_t i = 0; i < k; ++i) kept -= int64_t{v[i]} + v[n - 1 - i];
        zeroValues[kPositive + c] = static_cast<double>(kept) / static_cast<double>(n - 2 * k) / 10;
    }
}

}  // namespace

void cycleMeans(const RawStore& store, int first, int last, double cv[87]) {
    int64_t sums[std::size(kMeanFields)] = {};
    for (int r = first; r <= last; ++r) {
        const int32_t* rec = store.record(r);
        for (size_t f = 0; f < std::size(kMeanFields); ++f) sums[f] += rec[kMeanFields[f]];
    }
    const double n = last - first + 1;
    for (size_t f = 0; f < std::size(kMeanFields); ++f)
        cv[kMeanFields[f]] = static_cast<double>(sums[f]) / n;
    cv[field::overload] = static_cast<double>(sums[std::size(kMeanFields) - 1]);
}

void channelSignals(const ConverterRun& run, LineWork& w, int cycle) {
    const RawStore& store = run.store;
    const CycleTable& cycles = run.cycles;
    const int first = cycles.cycleFirst[cycle], last = cycles.cycleLast[cycle];
    const int zeroFrom = cycles.zeroFirst[cycle], zeroTo = cycles.zeroLast[cycle];
    w.reserve(static_cast<size_t>(std::max(0, store.recordCount)) + 1);

    // Zero signals: the zero records of the window are all those between its
    // first and its last; the same zero records give the same signals.
    int keyFirst = zeroFrom, keyLast = zeroTo;
    while (keyFirst <= zeroTo && store.kind(keyFirst) != 0) ++keyFirst;
    while (keyLast >= keyFirst && store.kind(keyLast) != 0) --keyLast;
    if (keyFirst > keyLast) keyFirst = 0, keyLast = -1;
    if (!w.zeroValid || keyFirst != w.zeroKeyFirst || keyLast != w.zeroKeyLast) {
        ZeroWindow& zero = w.zeroWindow;
        if (keyLast - keyFirst < kShortZeroSpan) {
            // Few records: one pass over them is quicker than keeping order.
            recordsOfKind(store, keyFirst, keyLast, 0, w.zeroRecords);
            channelTrimmedMeans(store, w.zeroRecords, w.column, w.zeroValues);
            for (int k = kPositive; k < kNegative + 35; ++k) w.zeroValues[k] /= 10;
            zero.valid = false;
        } else {
            moveZeroWindow(store, zero, keyFirst, keyLast);
            zeroSignals(zero, w.zeroValues);
        }
        w.zeroKeyFirst = keyFirst;
        w.zeroKeyLast = keyLast;
        w.zeroValid = true;
    }

    double* cv = w.cycleValues;
    if (run.settings.cycleminutes == 0) {
        const int32_t* rec = store.record(first);
        for (int k = kPositive; k < kNegative + 35; ++k) cv[k] = rec[k] / 10.0 - w.zeroValues[k];
    } else {
        recordsOfKind(store, first, last, 1, w.measuredRecords);
        channelTrimmedMeans(store, w.measuredRecords, w.column, cv);
        for (int k = kPositive; k < kNegative + 35; ++k) cv[k] = cv[k] / 10 - w.zeroValues[k];
    }

    if (run.settings.extracorrect % 2 == 1) correctDustPulses(cv);
    if (run.settings.extracorrect > 1) correctResolution(run.fractions, cv);
}

namespace {

void fillDiameters(const FractionTables& t, AirFactors& a) {
    const double low = t.logBoundary[0], high = t.logBoundary[35];
    a.diametersFinite = true;
    a.bound[0] = std::clamp(t.logBoundary[34], low, high);
    for (int j = 0; j < 10; ++j) {
        const double z = particleMobility(t.dBound[j + 1], a.temperature, a.pressure);
        if (!(z > 0) || !std::isfinite(z)) {
            a.diametersFinite = false;
            return;
        }
        a.bound[j + 1] = std::clamp(std::log(z), low, high);
    }
    // Channel of each boundary: the first logBoundary at or above it, at
    // least 1, so that a boundary clamped to the bottom reads channel 0.
    auto channelAbove = [&](double r) {
        int i = 0;
        while (i < 35 && t.logBoundary[i] < r) ++i;
        return std::max(i, 1);
    };
    for (int j = 0; j < 10; ++j) {
        a.lo[j] = channelAbove(a.bound[j + 1]);
        a.hi[j] = channelAbove(a.bound[j]);
    }
}

}  // namespace

const AirFactors& airFactors(const ConverterRun& run, LineWork& w, double T, double p, bool withDiameters) {
    if (!w.air) {
        w.air.reset(new AirFactors[LineWork::kAirPool]);
        w.airIndex.reset(new uint32_t[LineWork::kAirIndexSlots]());
        w.airCount = 0;
    }
    const uint64_t tb = std::bit_cast<uint64_t>(T), pb = std::bit_cast<uint64_t>(p);
    const double g = run.store.headerParam6;
    const uint64_t gb = std::bit_cast<uint64_t>(g);
    auto matches = [&](const AirFactors& a) {
        return std::bit_cast<uint64_t>(a.temperature) == tb && std::bit_cast<uint64_t>(a.pressure) == pb &&
               std::bit_cast<uint64_t>(a.lossCoefficient) == gb;
    };
    // The bits of decimal-looking doubles such as 21.15 vary little in
    // their low part: mix them all before taking the slot from the top.
    auto mix = [](uint64_t z) {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    const size_t mask = LineWork::kAirIndexSlots - 1;
    const size_t home = static_cast<size_t>(mix(tb ^ mix(pb ^ gb)) >> 40) & mask;
    size_t slot = home;
    while (w.airIndex[slot] != 0 && !matches(w.air[w.airIndex[slot] - 1])) slot = (slot + 1) & mask;

    AirFactors* found;
    if (w.airIndex[slot] != 0) {
        found = &w.air[w.airIndex[slot] - 1];
    } else {
        if (w.airCount == LineWork::kAirPool) {
            std::fill_n(w.airIndex.get(), LineWork::kAirIndexSlots, 0);
            w.airCount = 0;
            slot = home;
        }
        found = &w.air[w.airCount++];
        w.airIndex[slot] = static_cast<uint32_t>(w.airCount);
        found->temperature = T;
        found->pressure = p;
        found->lossCoefficient = g;
        found->hasLoss = found->hasDiameters = false;
    }
    AirFactors& a = *found;
    if (!a.hasLoss) {
        channelLossFactors(run.fractions, T, p, g, a.loss);
        a.hasLoss = true;
    }
    if (withDiameters && !a.hasDiameters) {
        fillDiameters(run.fractions, a);
        a.hasDiameters = true;
    }
    return a;
}

InstrumentCoefficients instrumentCoefficients(const RawStore& store) {
    return {store.headerParam4, store.headerParam5, store.headerParam6, store.headerParam7};
}

}  // namespace converter
