// Averaging of the data lines onto the output time grid.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/run_error.hpp"
#include "postprocessor/output/stages.hpp"
#include "postprocessor/output/trimmed_mean.hpp"
#include "postprocessor/run.hpp"

namespace postprocessor {

namespace {

// Date code, time code, "ovl&sc" and regime are taken from the middle line
// of a slot, never averaged.
bool isTakenFromMiddle(int col) { return col == 1 || col == 2 || col == 77 || col == 78; }

constexpr int kLineCountColumn = 61;

// Columns 3..76 are averaged; they are copied out of a slot's lines a block
// at a time, so that a slot of many lines is swept ten times, not 74.
constexpr int kFirstAveragedColumn = 3, kLastAveragedColumn = 76;
constexpr int kColumnBlock = 8;

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

    int largestSlot = 0;
    for (int g = 1; g <= lines; ++g)
        if (grid.slotFirstLine[g] > 0)
            largestSlot = std::max(largestSlot, grid.slotLastLine[g] - grid.slotFirstLine[g] + 1);
    // A block of columns of the largest slot, and room for the trimming.
    std::vector<float> values(static_cast<size_t>(largestSlot) * kColumnBlock);
    std::vector<float> work(static_cast<size_t>(largestSlot));

    for (int g = 1; g <= lines; ++g) {
        float* out = grid.line(g);
        const int first = grid.slotFirstLine[g];
        if (first == 0) {
            std::fill(out, out + kColumnCount, 0.0f);
            continue;
        }
        const int n = grid.slotLastLine[g] - first + 1;
        if (n == 1) {
            std::memcpy(out, data.line(first), kColumnCount * sizeof(float));
        } else {
            const float* middle = data.line(first + (n + 1) / 2 - 1);
            for (int col = 1; col <= kColumnCount; ++col)
                if (isTakenFromMiddle(col)) out[col - 1] = middle[col - 1];
            for (int block = kFirstAveragedColumn; block <= kLastAveragedColumn; block += kColumnBlock) {
                const int width = std::min(kColumnBlock, kLastAveragedColumn - block + 1);
                for (int k = 0; k < n; ++k) {
                    const float* source = data.line(first + k) + (block - 1);
                    for (int b = 0; b < width; ++b) values[static_cast<size_t>(b) * n + k] = source[b];
                }
                for (int b = 0; b < width; ++b)
                    out[block - 1 + b] = static_cast<float>(trimmedSlotMean(
                        &values[static_cast<size_t>(b) * n], n, params.trimmingDegree, work.data()));
            }
        }
        if (run.input.twoFileRegime) out[kLineCountColumn - 1] = static_cast<float>(n);
    }

    if (params.fillSingleGaps) fillGaps(run);
}

}  // namespace postprocessor
