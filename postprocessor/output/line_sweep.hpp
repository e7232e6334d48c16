// The changes to the data lines that follow the outlier scan: the outliers'
// replacements, the dust-pulse merges and the smoothing repetitions. Each
// stage works on every line before the next one starts; as each line's
// values depend only on the lines next to it, they are done together, one
// block of lines at a time, in one sweep over memory.
#pragma once

#include <cstdint>
#include <exception>
#include <string_view>
#include <vector>

#include "postprocessor/input/loaded_data.hpp"

namespace postprocessor {

// A pending correction: data line and column in one word (7 bits for the
// column), and the replacement, a whole number: the neighbours' mean,
// rounded half to even.
struct Correction {
    uint32_t place;
    float value;

    Correction(int line, int column, float replacement)
        : place(static_cast<uint32_t>(line) << 7 | static_cast<uint32_t>(column)), value(replacement) {}
    int line() const { return static_cast<int>(place >> 7); }
    int column() const { return static_cast<int>(place & 127u); }
};
static_assert(kLineCapacity < (1 << 25) && kColumnCount < 128, "a place fits one word");

// The outliers found in a block of lines, in scan order.
struct OutlierScan {
    long long examined = 0;
    std::vector<Correction> corrections;
    std::exception_ptr failure;
};

// The outliers of the whole scan: block k holds lines 2 + k * blockLines
// onward, each block's corrections in line order.
struct FoundOutliers {
    int blockLines = 0;
    std::vector<OutlierScan> scans;
    long long examined = 0;
    long long count = 0;
};

struct LineSteps {
    const FoundOutliers* outliers = nullptr;  // replacements put in first
    bool dustPulses = false;
    int negativeRepetitions = 0;  // smoothNegatives, then
    int totalRepetitions = 0;     // smoothTotally
};

// The steps, in this order, on every data line; returns the number of
// dust-pulse merges. A pair whose sum lies beyond single precision ends the
// run as a run-time error: the first in line order.
long long sweepLines(LoadedData& data, const LineSteps& steps);

// A result kept as a single float that does not fit one: a run-time error
// naming the stage, the data line (with its time) and the column or pair.
[[noreturn, gnu::noinline, gnu::cold]] void singleOverflow(const LoadedData& data, std::string_view stage, int line,
                                                           int column, int partner, std::string_view what);

// The dust-pulse merges of one line's pairs; returns their number.
int mergeDustPulses(const LoadedData& data, int line, float* values);

// One repetition of smoothNegatives (negatives true) or smoothTotally over
// `rows` consecutive data lines from line `first` on, whose values lie at
// `values` (78 a line); the lines first - 1 and first + rows, which it
// reads, are at values - 78 and values + rows * 78.
void smoothRows(const LoadedData& data, int first, int rows, float* values, bool negatives);

}  // namespace postprocessor
