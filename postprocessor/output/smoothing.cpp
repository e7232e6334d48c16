// Smoothing of the data lines in time, and the filling of single empty
// output lines of the grid.
#include <cstring>

#include "postprocessor/output/stages.hpp"
#include "postprocessor/run.hpp"

namespace postprocessor {

namespace {

// One repetition of a (1+2+1)/4 triplet pass over the columns `first` to
// `last`; `replaces(before, here, after)` says whether a value is replaced.
//
// Every neighbour is read as it was before this repetition. The columns
// don't feed into each other, so instead of one column at a time this works
// line by line over all columns, keeping the previous line's values from
// before the repetition: one sweep over memory instead of one per column.
template <typename Replaces>
void tripletPass(LoadedData& data, int first, int last, const bool (&skipped)[kColumnCount + 1],
                 Replaces replaces) {
    float previous[kColumnCount], current[kColumnCount];
    if (data.lineCount < 1) return;
    std::memcpy(previous, data.line(1), sizeof previous);
    // The first and the last line never carry the regular-spacing mark.
    for (int r = 2; r <= data.lineCount - 1; ++r) {
        float* here = data.line(r);
        std::memcpy(current, here, sizeof current);
        if (data.regularSpacing[r]) {
            const float* after = data.line(r + 1);
            for (int col = first; col <= last; ++col) {
                if (skipped[col]) continue;
                const int c = col - 1;
                const double a = previous[c], b = current[c], n = after[c];
                if (replaces(a, b, n)) here[c] = static_cast<float>((a + 2 * b + n) / 4);
            }
        }
        std::memcpy(previous, current, sizeof previous);
    }
}

}  // namespace

void smoothNegatives(PostprocessorRun& run) {
    // "RH:%" to "Z-", without "bias+" and "bias-".
    bool skipped[kColumnCount + 1] = {};
    skipped[66] = skipped[67] = true;
    for (int rep = 0; rep < run.params.negativeSmoothingLevel; ++rep)
        tripletPass(run.data, 5, 76, skipped,
                    [](double before, double here, double after) { return here < 0 && before + after > 0; });
}

void smoothTotally(PostprocessorRun& run) {
    // "T:C" to "Z-".
    const bool skipped[kColumnCount + 1] = {};
    for (int rep = 0; rep < run.params.totalSmoothingLevel; ++rep)
        tripletPass(run.data, 4, 76, skipped, [](double, double, double) { return true; });
}

void fillGaps(PostprocessorRun& run) {
    GridValues& grid = run.grid;
    for (int g = 2; g <= run.params.outputLineCount - 1; ++g) {
        float* here = grid.line(g);
        if (here[0] != 0 || !grid.hasData(g - 1) || !grid.hasData(g + 1)) continue;
        const float* before = grid.line(g - 1);
        const float* after = grid.line(g + 1);
        for (int col = 1; col <= kColumnCount; ++col) {
            const int c = col - 1;
            if (col == 1 || col == 2 || col == 77 || col == 78)
                here[c] = before[c];  // date, time code, "ovl&sc", regime of the line before
            else
                here[c] = static_cast<float>((static_cast<double>(before[c]) + after[c]) / 2);
        }
    }
}

}  // namespace postprocessor
