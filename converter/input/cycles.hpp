// Measurement cycles and their zero windows.
#pragma once

#include <cstdint>
#include <memory>

#include "converter/input/raw_store.hpp"
#include "converter/input/settings.hpp"

namespace converter {

// Room for as many cycles as there can be records: no build can overrun it.
inline constexpr int kCycleCapacity = kRecordCapacity;

// Cycles 1..cycleCount in ascending record order; record numbers refer to
// the RawStore. Tables allocated once (not initialised), index 1..capacity.
struct CycleTable {
    int cycleCount = 0;
    std::unique_ptr<int32_t[]> cycleFirst, cycleLast, zeroFirst, zeroLast;
    std::unique_ptr<double[]> cycleTime;  // only when cycleminutes is 0
    // Working table of the builds: the record times in whole seconds.
    LargeTable<int64_t> seconds;

    void allocate();
};

// Whole seconds since the time origin of a record time (days). Record times
// are whole seconds, so this is exact; every cycle boundary is computed on
// these.
int64_t recordSeconds(double recordTime);

// Builds the cycles: by the cycle grid when cycleminutes > 0, else one cycle
// per measurement record with at least two zero records in its window.
void buildCycles(const RawStore& store, const ConverterSettings& settings, CycleTable& cycles);

}  // namespace converter
