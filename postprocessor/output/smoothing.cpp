// Smoothing of the data lines in time, and the filling of single empty
// output lines of the grid.
#include <cstring>
#include <type_traits>
#include <vector>

#include "platform/parallel.hpp"
#include "postprocessor/output/lanes.hpp"
#include "postprocessor/output/line_blocks.hpp"
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

// One repetition of a (1+2+1)/4 triplet pass over some column ranges.
//
// Every neighbour is read as it was before this repetition. The columns
// don't feed into each other, so instead of one column at a time this works
// line by line over all columns, keeping the previous line's values from
// before the repetition: one sweep over memory instead of one per column,
// four columns at a time. Blocks of lines go to the cores; the lines at
// their edges, which a neighbouring block changes, are read from copies
// taken before.
template <typename Rule, size_t N>
void tripletPass(LoadedData& data, const Columns (&ranges)[N]) {
    // The first and the last line never carry the regular-spacing mark.
    const LineBlocks blocks(2, data.lineCount - 1);
    std::vector<float> edges(static_cast<size_t>(blocks.count()) * 2 * kColumnCount);
    auto edge = [&](long k, int side) { return &edges[(static_cast<size_t>(k) * 2 + side) * kColumnCount]; };
    for (long k = 0; k < blocks.count(); ++k) {
        std::memcpy(edge(k, 0), data.line(blocks.first(k) - 1), kColumnCount * sizeof(float));
        std::memcpy(edge(k, 1), data.line(blocks.last(k) + 1), kColumnCount * sizeof(float));
    }
    platform::forEachIndex(blocks.count(), [&](long k) {
        float previous[kColumnCount], current[kColumnCount];
        std::memcpy(previous, edge(k, 0), sizeof previous);
        const int last = blocks.last(k);
        for (int r = blocks.first(k); r <= last; ++r) {
            float* here = data.line(r);
            std::memcpy(current, here, sizeof current);
            if (data.regularSpacing[r]) {
                const float* after = r == last ? edge(k, 1) : data.line(r + 1);
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
            }
            std::memcpy(previous, current, sizeof previous);
        }
    });
}

}  // namespace

void smoothNegatives(PostprocessorRun& run) {
    // "RH:%" to "Z-", without "bias+" and "bias-".
    const Columns columns[] = {{5, 65}, {68, 76}};
    for (int rep = 0; rep < run.params.negativeSmoothingLevel; ++rep) tripletPass<NegativeValues>(run.data, columns);
}

void smoothTotally(PostprocessorRun& run) {
    // "T:C" to "Z-".
    const Columns columns[] = {{4, 76}};
    for (int rep = 0; rep < run.params.totalSmoothingLevel; ++rep) tripletPass<EveryValue>(run.data, columns);
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
