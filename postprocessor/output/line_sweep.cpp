#include "postprocessor/output/line_sweep.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/parallel.hpp"
#include "postprocessor/output/line_blocks.hpp"

namespace postprocessor {

namespace {

// Lines a block; with the lines on either side that it reads, its lines
// stay in the processor's cache through all the steps.
constexpr int kSweepBlockLines = 2048;
constexpr size_t kLineBytes = kColumnCount * sizeof(float);

// The outliers' replacements on lines from..to; `row(line)` is where a
// line's values are.
template <typename Row>
void putInCorrections(const FoundOutliers& found, int from, int to, Row row) {
    if (found.scans.empty() || to < 2) return;
    const long first = std::max(0, from - 2) / found.blockLines;
    const long last = std::min<long>(static_cast<long>(found.scans.size()) - 1, (to - 2) / found.blockLines);
    for (long k = first; k <= last; ++k) {
        const std::vector<Correction>& corrections = found.scans[static_cast<size_t>(k)].corrections;
        auto c = std::lower_bound(corrections.begin(), corrections.end(), from,
                                  [](const Correction& c, int line) { return c.line() < line; });
        for (; c != corrections.end() && c->line() <= to; ++c) row(c->line())[c->column() - 1] = c->value;
    }
}

}  // namespace

long long sweepLines(LoadedData& data, const LineSteps& steps) {
    const int n = data.lineCount;
    const int repetitions = steps.negativeRepetitions + steps.totalRepetitions;
    if (n < 1 || (!steps.outliers && !steps.dustPulses && repetitions == 0)) return 0;
    // Each repetition reads one line to either side: a block's lines depend
    // on `reach` lines beyond it, which are worked again with it.
    const int reach = repetitions;
    const LineBlocks blocks(1, n, kSweepBlockLines);

    // The lines next to each block as they are before the sweep: the block
    // reads them while its neighbours change them.
    std::vector<float> edges(static_cast<size_t>(blocks.count()) * 2 * static_cast<size_t>(reach) * kColumnCount);
    auto edge = [&](long k, int side) {
        return edges.data() + (static_cast<size_t>(k) * 2 + side) * static_cast<size_t>(reach) * kColumnCount;
    };
    for (long k = 0; k < blocks.count() && reach > 0; ++k) {
        // Before the block, its last `before` lines; after it, the first.
        const int before = std::min(reach, blocks.first(k) - 1), after = std::min(reach, n - blocks.last(k));
        std::memcpy(edge(k, 0) + static_cast<size_t>(reach - before) * kColumnCount,
                    data.line(blocks.first(k) - before), before * kLineBytes);
        std::memcpy(edge(k, 1), data.line(blocks.last(k) + 1), after * kLineBytes);
    }

    std::vector<std::vector<float>> room(static_cast<size_t>(platform::threadsFor(blocks.count())));
    std::vector<long long> merges(static_cast<size_t>(blocks.count()), 0);
    platform::forEachIndexByThread(blocks.count(), [&](long k, int thread) {
        const int a = blocks.first(k), b = blocks.last(k);
        const int from = std::max(1, a - reach), to = std::min(n, b + reach);
        std::vector<float>& lines = room[static_cast<size_t>(thread)];
        lines.resize(static_cast<size_t>(to - from + 1) * kColumnCount);
        auto row = [&](int line) { return lines.data() + static_cast<size_t>(line - from) * kColumnCount; };
        if (a > from) std::memcpy(row(from), edge(k, 0) + static_cast<size_t>(reach - (a - from)) * kColumnCount,
                                  (a - from) * kLineBytes);
        std::memcpy(row(a), data.line(a), (b - a + 1) * kLineBytes);
        if (to > b) std::memcpy(row(b + 1), edge(k, 1), (to - b) * kLineBytes);

        if (steps.outliers) putInCorrections(*steps.outliers, from, to, row);
        if (steps.dustPulses) {
            long long count = 0;
            for (int line = from; line <= to; ++line) {
                const int merged = mergeDustPulses(data, line, row(line));
                if (line >= a && line <= b) count += merged;
            }
            merges[static_cast<size_t>(k)] = count;
        }
        // Repetition j is right on the lines within reach - j of the block
        // (all the way to the first and the last line, which never change).
        for (int rep = 1; rep <= repetitions; ++rep) {
            const int lo = from == 1 ? 1 : from + rep, hi = to == n ? n : to - rep;
            smoothRows(data, lo, hi - lo + 1, row(lo), rep <= steps.negativeRepetitions);
        }
        std::memcpy(data.line(a), row(a), (b - a + 1) * kLineBytes);
    });

    long long total = 0;
    for (long long m : merges) total += m;
    return total;
}

}  // namespace postprocessor
