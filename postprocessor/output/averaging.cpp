// Averaging of the data lines onto the output time grid.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/parallel.hpp"
#include "platform/run_error.hpp"
#include "postprocessor/output/lanes.hpp"
#include "postprocessor/output/line_blocks.hpp"
#include "postprocessor/output/stages.hpp"
#include "postprocessor/output/trimmed_mean.hpp"
#include "postprocessor/run.hpp"

namespace postprocessor {

namespace {

// Date code, time code, "ovl&sc" and regime are taken from the middle line
// of a slot, never averaged.
bool isTakenFromMiddle(int col) { return col == 1 || col == 2 || col == 77 || col == 78; }

constexpr int kLineCountColumn = 61;

// Columns 3..76 are averaged.
constexpr int kFirstAveragedColumn = 3, kLastAveragedColumn = 76;
constexpr int kAveraged = kLastAveragedColumn - kFirstAveragedColumn + 1;
// Many trimming steps are taken column by column, the columns copied out
// of a slot's lines a block at a time, so that a slot of many lines is
// swept ten times, not 74.
constexpr int kColumnBlock = 8;
// Output lines are averaged on every core, in blocks of about this many
// data lines.
constexpr int kLinesPerBlock = 8192;

// Working room of one block of output lines.
struct SlotRoom {
    std::vector<float> values;     // a block of columns of the largest slot
    std::vector<float> work;       // room for the trimming
};

// The trimmed means of columns 3..76 over the n >= 3 lines of a slot from
// `first` on, trimmed by `steps` (0 to kSelectionMinSteps - 1) steps, all
// columns side by side, four at a time (the last four reach into columns 77
// and 78, whose lanes are not used). As trimmedSlotMeanBySelection does it,
// which gives what the step-by-step removal gives: the thresholds lo and hi
// (the steps-th smallest and largest value, kept in short sorted lists in a
// first pass over the lines) decide which values go, and the values that
// stay are added in line order in a second. False, with nothing written,
// when a value is not a number: such values have no order.
bool trimmedColumnMeans(const LoadedData& data, int first, int n, int steps, float* out) {
    using namespace lanes;
    constexpr int kMostSteps = kSelectionMinSteps - 1;
    constexpr int kGroups = (kAveraged + 3) / 4;
    auto values = [&](int k, int v) { return load(data.line(first + k) + (kFirstAveragedColumn - 1) + 4 * v); };
    float means[kGroups * 4];
    for (int v = 0; v < kGroups; ++v) {
        // The `steps` smallest values in rising and the largest in falling
        // order: each value is passed down a list, the lesser (greater) one
        // staying at each place.
        F4 lows[kMostSteps], highs[kMostSteps];
        for (int i = 0; i < steps; ++i) lows[i] = F4{} + INFINITY, highs[i] = F4{} - INFINITY;
        I4 notNumbers = {};
        for (int k = 0; k < n; ++k) {
            F4 low = values(k, v), high = low;
            notNumbers |= low != low;
            for (int i = 0; i < steps; ++i) {
                const F4 lower = lesser(lows[i], low), higher = greater(highs[i], high);
                low = greater(lows[i], low);
                high = lesser(highs[i], high);
                lows[i] = lower;
                highs[i] = higher;
            }
        }
        if (any(notNumbers)) return false;

        const F4 lo = steps > 0 ? lows[steps - 1] : F4{}, hi = steps > 0 ? highs[steps - 1] : F4{};
        // Of the values equal to lo (hi), the earliest go, as many as the
        // steps leave after the values beyond it.
        I4 lowTies = I4{} + steps, highTies = I4{} + steps;
        for (int i = 0; i < steps; ++i) {
            lowTies += lows[i] < lo;
            highTies += highs[i] > hi;
        }
        // A value that goes adds +0: a sum that starts at +0 never is -0, so
        // adding +0 leaves it as it is.
        D2 lowSum = {}, highSum = {};
        for (int k = 0; k < n; ++k) {
            const F4 x = values(k, v);
            I4 gone = {};
            if (steps > 0) {
                const I4 outside = (x < lo) | (x > hi);
                const I4 atLow = ~outside & (x == lo) & (lowTies > 0);
                lowTies += atLow;
                const I4 atHigh = ~outside & ~atLow & (x == hi) & (highTies > 0);
                highTies += atHigh;
                gone = outside | atLow | atHigh;
            }
            const F4 kept = select(gone, F4{}, x);
            lowSum += lowHalf(kept);
            highSum += highHalf(kept);
        }
        // Every step takes two values away, also when lo = hi (then the
        // values that stay are equal, and their mean is that value).
        const double left = n - 2 * steps;
        for (int j = 0; j < 4; ++j) means[4 * v + j] = static_cast<float>((j < 2 ? lowSum[j] : highSum[j - 2]) / left);
    }
    std::copy(means, means + kAveraged, out + (kFirstAveragedColumn - 1));
    return true;
}

// Output line g from its data lines first..first + n - 1 (n >= 2).
void averageSlot(const LoadedData& data, int first, int n, int trimmingDegree, SlotRoom& room, float* out) {
    const float* middle = data.line(first + (n + 1) / 2 - 1);
    for (int col = 1; col <= kColumnCount; ++col)
        if (isTakenFromMiddle(col)) out[col - 1] = middle[col - 1];
    const int steps = n < 3 ? 0 : std::min(trimmingDegree, (n - 1) / 2);
    if (n == 2) {
        const float* a = data.line(first);
        const float* b = data.line(first + 1);
        for (int c = kFirstAveragedColumn - 1; c < kLastAveragedColumn; ++c)
            out[c] = static_cast<float>((static_cast<double>(a[c]) + b[c]) / 2);
    } else if (steps >= kSelectionMinSteps || !trimmedColumnMeans(data, first, n, steps, out)) {
        room.values.resize(static_cast<size_t>(n) * kColumnBlock);
        room.work.resize(static_cast<size_t>(n));
        for (int block = kFirstAveragedColumn; block <= kLastAveragedColumn; block += kColumnBlock) {
            const int width = std::min(kColumnBlock, kLastAveragedColumn - block + 1);
            for (int k = 0; k < n; ++k) {
                const float* source = data.line(first + k) + (block - 1);
                for (int b = 0; b < width; ++b) room.values[static_cast<size_t>(b) * n + k] = source[b];
            }
            for (int b = 0; b < width; ++b)
                out[block - 1 + b] = static_cast<float>(
                    trimmedSlotMean(&room.values[static_cast<size_t>(b) * n], n, trimmingDegree, room.work.data()));
        }
    }
}

}  // namespace

void averageOntoGrid(PostprocessorRun& run) {
    const RunParameters& params = run.params;
    const LoadedData& data = run.data;
    GridValues& grid = run.grid;
    const int lines = params.outputLineCount;
    if (lines < 1 || lines > kGridCapacity) platform::fail("the output time grid has no room for its lines");

    std::fill(&grid.slotFirstLine[1], &grid.slotFirstLine[1] + lines, 0);
    std::fill(&grid.slotLastLine[1], &grid.slotLastLine[1] + lines, 0);
    for (int r = 1; r <= data.lineCount; ++r) {
        const double slot = std::trunc((data.lineTimes[r] - params.firstDay) / params.timeStepDays);
        if (!(slot >= 0 && slot < lines))
            platform::fail("a data line lies outside the output time grid");
        const int g = static_cast<int>(slot) + 1;
        if (grid.slotFirstLine[g] == 0) grid.slotFirstLine[g] = r;
        grid.slotLastLine[g] = r;
    }

    // Output lines are independent: blocks of them on every core.
    const int linesPerSlot = std::max(1, data.lineCount / lines);
    const LineBlocks blocks(1, lines, std::max(1, kLinesPerBlock / linesPerSlot));
    platform::forEachIndex(blocks.count(), [&](long k) {
        SlotRoom room;
        for (int g = blocks.first(k); g <= blocks.last(k); ++g) {
            float* out = grid.line(g);
            const int first = grid.slotFirstLine[g];
            if (first == 0) {
                std::fill(out, out + kColumnCount, 0.0f);
                continue;
            }
            const int n = grid.slotLastLine[g] - first + 1;
            if (n == 1)
                std::memcpy(out, data.line(first), kColumnCount * sizeof(float));
            else
                averageSlot(data, first, n, params.trimmingDegree, room, out);
            if (run.input.twoFileRegime) out[kLineCountColumn - 1] = static_cast<float>(n);
        }
    });

    if (params.fillSingleGaps) fillGaps(run);
}

}  // namespace postprocessor
