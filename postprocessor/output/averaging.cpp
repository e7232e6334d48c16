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
    std::vector<lanes::I4> removed;  // the marks of trimmedColumnMeans
};

// The trimmed means of columns 3..76 over the n >= 3 lines of a slot from
// `first` on, trimmed by `steps` steps, all columns side by side: a step
// marks, in every column, the first smallest and the first largest of the
// values not marked before (one mark when they are the same value), which is
// what removing them and closing up does; the values left are then added in
// line order. The same values as trimmedSlotMeanByRemoval column by column.
// Four columns go together (the last four reach into columns 77 and 78,
// whose lanes are not used); `removed` has room for n * kGroups marks.
constexpr int kGroups = (kAveraged + 3) / 4;

void trimmedColumnMeans(const LoadedData& data, int first, int n, int steps, lanes::I4* removed, float* out) {
    using namespace lanes;
    std::fill(removed, removed + static_cast<size_t>(n) * kGroups, I4{});
    auto values = [&](int k, int v) { return load(data.line(first + k) + (kFirstAveragedColumn - 1) + 4 * v); };
    auto gone = [&](int k, int v) -> I4& { return removed[static_cast<size_t>(k) * kGroups + v]; };
    for (int v = 0; v < kGroups; ++v) {
        for (int step = 0; step < steps; ++step) {
            F4 low = {}, high = {};
            I4 lowLine = {}, highLine = {};
            // Every column starts at its first value not yet removed.
            I4 started = {};
            for (int k = 0; k < n; ++k) {
                const F4 x = values(k, v);
                const I4 open = ~gone(k, v);
                const I4 fresh = open & ~started;
                const I4 lower = fresh | (open & (x < low));
                const I4 higher = fresh | (open & (x > high));
                low = select(lower, x, low);
                lowLine = select(lower, I4{} + k, lowLine);
                high = select(higher, x, high);
                highLine = select(higher, I4{} + k, highLine);
                started |= open;
            }
            for (int j = 0; j < 4; ++j) {
                gone(lowLine[j], v)[j] = -1;
                gone(highLine[j], v)[j] = -1;
            }
        }
        // A removed value adds +0: a sum that starts at +0 never is -0, so
        // adding +0 leaves it as it is.
        D2 lowSum = {}, highSum = {};
        I4 count = {};
        for (int k = 0; k < n; ++k) {
            const F4 x = select(gone(k, v), F4{}, values(k, v));
            lowSum += lowHalf(x);
            highSum += highHalf(x);
            count -= ~gone(k, v);
        }
        for (int j = 0; j < 4 && 4 * v + j < kAveraged; ++j) {
            const double sum = j < 2 ? lowSum[j] : highSum[j - 2];
            out[kFirstAveragedColumn - 1 + 4 * v + j] = static_cast<float>(sum / count[j]);
        }
    }
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
    } else if (steps < kSelectionMinSteps) {
        room.removed.resize(static_cast<size_t>(n) * kGroups);
        trimmedColumnMeans(data, first, n, steps, room.removed.data(), out);
    } else {
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
