// Working storage of the line writers, reused for every cycle: nothing is
// allocated per cycle once the buffers have their room.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "converter/tables/signal_operations.hpp"

namespace converter {

// What a cycle's line needs from its air state (T, p) alone: the channels'
// loss factors and the diameter-fraction boundaries in ln mobility.
struct AirFactors {
    double temperature = 0, pressure = 0, lossCoefficient = 0;
    bool hasLoss = false, hasDiameters = false;
    bool diametersFinite = false;  // false: some boundary has no finite mobility
    double loss[35] = {};
    // bound[j + 1] = R[j] for j = -1..9, clamped into the channel range, and
    // the channels found for them (lo, hi >= 1).
    double bound[11] = {};
    int lo[10] = {}, hi[10] = {};
};

struct LineWork {
    double cycleValues[87] = {};
    double zeroValues[87] = {};
    double temperature = 0;  // T of the last cycle, degC
    double pressure = 0;     // p of the last cycle, mb
    double columns[79] = {};  // the standard line, columns 1..78

    ValueList list;
    std::vector<int32_t> zeroRecords;      // kind-0 records of the zero window
    std::vector<int32_t> measuredRecords;  // kind-1 records of the cycle
    std::vector<int32_t> column;           // one channel's readings
    // The zero signals in zeroValues belong to the zero records
    // zeroKeyFirst..zeroKeyLast (all kind-0 records between them); a cycle
    // with the same zero records reuses them.
    int zeroKeyFirst = 0, zeroKeyLast = -1;
    bool zeroValid = false;

    // Air factors by air state, direct-mapped (allocated on first use).
    static constexpr size_t kAirSlots = 1024;
    std::unique_ptr<AirFactors[]> air;

    // Gives the buffers room for lists of up to `records` values.
    void reserve(size_t records);
};

}  // namespace converter
