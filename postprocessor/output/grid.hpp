// The output time grid: one line of 78 single floats per output time slot.
#pragma once

#include <cstdint>
#include <memory>

#include "postprocessor/input/loaded_data.hpp"

namespace postprocessor {

inline constexpr int kGridCapacity = 527040;

// Output lines 1..outputLineCount; allocated once, touched only for the
// lines of the run.
struct GridValues {
    FloatTable values;                         // (capacity + 2) lines of 78
    std::unique_ptr<int32_t[]> slotFirstLine;  // index 1..capacity
    std::unique_ptr<int32_t[]> slotLastLine;

    void allocate();
    float* line(int g) { return &values[static_cast<size_t>(g) * kColumnCount]; }
    const float* line(int g) const { return &values[static_cast<size_t>(g) * kColumnCount]; }
    float& value(int g, int c) { return line(g)[c - 1]; }
    bool hasData(int g) const { return line(g)[0] > 0; }
};

}  // namespace postprocessor
