// The data lines of the chosen days: times, 78 single-float values each,
// and the regular-spacing marks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace postprocessor {

inline constexpr int kLineCapacity = 527039;
inline constexpr int kColumnCount = 78;

// A table of floats for the whole run, allocated once and left untouched:
// only the pages of the lines in use are ever committed.
struct FreeFloatTable {
    void operator()(float* table) const;
};
using FloatTable = std::unique_ptr<float[], FreeFloatTable>;
FloatTable allocateFloatTable(size_t count);

// Lines 1..lineCount; tables allocated once for the line limit and touched
// only as lines arrive. Line r, column c (1..78) is value(r, c).
struct LoadedData {
    int lineCount = 0;
    int capacity = 0;                           // the line limit of the run
    std::string referenceHeader;                // title line of the first table
    std::unique_ptr<double[]> lineTimes;        // index 1..capacity
    FloatTable lineValues;                      // (capacity + 2) lines of 78
    std::unique_ptr<uint8_t[]> regularSpacing;  // index 0..capacity + 1

    // Tables for `lineCapacity` lines, plus a spare line 0 and one line
    // beyond the limit (the loader parses into it before it decides).
    void allocate(int lineCapacity = kLineCapacity);
    float* line(int r) { return &lineValues[static_cast<size_t>(r) * kColumnCount]; }
    const float* line(int r) const { return &lineValues[static_cast<size_t>(r) * kColumnCount]; }
    float& value(int r, int c) { return line(r)[c - 1]; }
    float value(int r, int c) const { return line(r)[c - 1]; }
};

// Names and decimals of the variables 1..120.
struct VariableTables {
    std::string variableNames[121];
    int variableDecimals[121] = {};
};

}  // namespace postprocessor
