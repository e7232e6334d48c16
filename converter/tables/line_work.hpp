// Working storage of the line writers, reused for every cycle: nothing is
// allocated per cycle once the buffers have their room. What it keeps from
// cycle to cycle (the zero window, the air factors) depends only on the raw
// records and the run's tables, which stay as they are while lines are
// written.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "converter/tables/signal_operations.hpp"

namespace converter {

// What a cycle's line needs from its air state (T, p) alone: the channels'
// loss factors and the diameter-fraction boundaries in ln mobility. No
// member initialisers: the table of them stays untouched until used.
struct AirFactors {
    double temperature, pressure, lossCoefficient;
    bool hasLoss, hasDiameters;
    bool diametersFinite;  // false: some boundary has no finite mobility
    double loss[35];
    // bound[j + 1] = R[j] for j = -1..9, clamped into the channel range, and
    // the channels found for them (lo, hi >= 1).
    double bound[11];
    int lo[10], hi[10];
};

// The zero records of the current zero window: for each of the 70 channel
// fields their readings in ascending order and their sum. Windows that move
// on by a few records are updated by those records alone.
struct ZeroWindow {
    int first = 0, last = -1;  // first and last zero record; none: 0, -1
    bool valid = false;
    size_t count = 0;
    std::vector<int32_t> sorted[70];
    int64_t total[70] = {};
};

struct LineWork {
    double cycleValues[87] = {};
    double zeroValues[87] = {};
    double temperature = 0;  // T of the last cycle, degC
    double pressure = 0;     // p of the last cycle, mb
    double columns[79] = {};  // the standard line, columns 1..78

    ValueList list;
    std::vector<int32_t> measuredRecords;  // kind-1 records of the cycle
    std::vector<int32_t> column;           // one channel's readings
    std::vector<int32_t> zeroRecords;      // kind-0 records of a short zero window
    // zeroValues hold the signals of the zero records zeroKeyFirst ..
    // zeroKeyLast (all kind-0 records between them); long windows are kept
    // in zeroWindow and follow the cycles record by record.
    int zeroKeyFirst = 0, zeroKeyLast = -1;
    bool zeroValid = false;
    ZeroWindow zeroWindow;

    // Air factors by air state: a pool filled in order of first use and an
    // open-addressed index into it (0 = free, else pool entry + 1). Allocated
    // on first use. When the pool is full, it starts again empty: the air
    // states of neighbouring cycles, the ones that come again, stay at hand,
    // and a year of cycles, most of them with an air state of their own,
    // touches no more than the pool's 2 MB.
    static constexpr size_t kAirPool = size_t{1} << 12;
    static constexpr size_t kAirIndexSlots = size_t{1} << 13;
    std::unique_ptr<AirFactors[]> air;  // kAirPool entries
    std::unique_ptr<uint32_t[]> airIndex;
    size_t airCount = 0;

    // Gives the buffers room for lists of up to `records` values.
    void reserve(size_t records);
};

}  // namespace converter
