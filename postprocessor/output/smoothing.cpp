// Smoothing of the data lines in time, and the filling of single empty
// output lines of the grid.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "postprocessor/output/lanes.hpp"
#include "postprocessor/output/line_sweep.hpp"
#include "postprocessor/output/stages.hpp"
#include "postprocessor/run.hpp"

namespace postprocessor {

namespace {

// Columns first..last of a data line (1-based).
struct Columns {
    int first, last;
};

// Which values a pass replaces, asked of one column or of two side by side.
struct NegativeValues {  // a negative value whose neighbours sum to more than 0
    static bool mayReplace(lanes::F4 here) { return lanes::any(here < 0.0f); }
    static bool replaces(double before, double here, double after) { return here < 0 && before + after > 0; }
    static lanes::L2 replaces(lanes::D2 before, lanes::D2 here, lanes::D2 after) {
        return (here < 0.0) & (before + after > 0.0);
    }
};
struct EveryValue {
    static bool mayReplace(lanes::F4) { return true; }
    static bool replaces(double, double, double) { return true; }
    static lanes::L2 replaces(lanes::D2, lanes::D2, lanes::D2) { return lanes::L2{} - 1; }
};

// The triplet average of one column, or of two side by side, where the rule
// replaces the value; the value itself elsewhere.
template <typename Rule, typename T>
T triplet(T before, T here, T after) {
    const T mean = (before + 2 * here + after) / 4;
    if constexpr (std::is_same_v<T, double>)
        return Rule::replaces(before, here, after) ? mean : here;
    else
        return lanes::select(Rule::replaces(before, here, after), mean, here);
}

// True when some value of the ranges is one the rule may replace.
template <typename Rule, size_t N>
bool mayChange(const float* row, const Columns (&ranges)[N]) {
    for (const Columns& range : ranges) {
        int c = range.first - 1;
        for (; c + 4 <= range.last; c += 4)
            if (Rule::mayReplace(lanes::load(row + c))) return true;
        for (; c < range.last; ++c)
            if (Rule::mayReplace(lanes::F4{} + row[c])) return true;
    }
    return false;
}

// One repetition of a (1+2+1)/4 triplet pass over some column ranges.
//
// Every neighbour is read as it was before this repetition. The columns
// don't feed into each other, so instead of one column at a time this works
// line by line over all columns, four columns at a time, keeping a copy of
// a line's values from before the repetition when it changes, for the line
// after it.
template <typename Rule, size_t N>
void tripletPass(const LoadedData& data, int first, int rows, float* values, const Columns (&ranges)[N]) {
    auto line = [&](int r) { return values + static_cast<ptrdiff_t>(r - first) * kColumnCount; };
    float copies[2][kColumnCount];
    int nextCopy = 0;
    // Line 1 never carries the mark: it needs no line before it.
    const float* previous = line(first > 1 ? first - 1 : first);
    for (int r = first; r < first + rows; ++r) {
        float* here = line(r);
        if (!data.regularSpacing[r] || !mayChange<Rule>(here, ranges)) {
            previous = here;  // unchanged by this repetition
            continue;
        }
        float* current = copies[nextCopy];
        nextCopy ^= 1;
        std::memcpy(current, here, sizeof copies[0]);
        const float* after = line(r + 1);
        for (const Columns& range : ranges) {
            int c = range.first - 1;
            for (; c + 4 <= range.last; c += 4) {
                using namespace lanes;
                const F4 a = load(previous + c), b = load(current + c), n = load(after + c);
                if (!Rule::mayReplace(b)) continue;
                store(here + c, singles(triplet<Rule>(lowHalf(a), lowHalf(b), lowHalf(n)),
                                        triplet<Rule>(highHalf(a), highHalf(b), highHalf(n))));
            }
            for (; c < range.last; ++c)
                here[c] = static_cast<float>(triplet<Rule, double>(previous[c], current[c], after[c]));
        }
        previous = current;
    }
}

}  // namespace

void smoothRows(const LoadedData& data, int first, int rows, float* values, bool negatives) {
    if (negatives) {
        // "RH:%" to "Z-", without "bias+" and "bias-".
        const Columns columns[] = {{5, 65}, {68, 76}};
        tripletPass<NegativeValues>(data, first, rows, values, columns);
    } else {
        // "T:C" to "Z-".
        const Columns columns[] = {{4, 76}};
        tripletPass<EveryValue>(data, first, rows, values, columns);
    }
}

void smoothNegatives(PostprocessorRun& run) {
    LineSteps steps;
    steps.negativeRepetitions = std::max(0, run.params.negativeSmoothingLevel);
    sweepLines(run.data, steps);
}

void smoothTotally(PostprocessorRun& run) {
    LineSteps steps;
    steps.totalRepetitions = std::max(0, run.params.totalSmoothingLevel);
    sweepLines(run.data, steps);
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
