// Repairs of the size and mobility fractions of the data lines: outliers
// against their neighbours in time and size, and dust pulses that show as a
// negative value in one polarity with its counterpart in the other.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datetime.hpp"
#include "platform/number_text.hpp"
#include "platform/parallel.hpp"
#include "platform/run_error.hpp"
#include "postprocessor/output/lanes.hpp"
#include "postprocessor/output/line_blocks.hpp"
#include "postprocessor/output/line_sweep.hpp"
#include "postprocessor/output/stages.hpp"
#include "postprocessor/run.hpp"

namespace postprocessor {

namespace {

// Examined columns: "D+" fractions 6..9, "D-" 6..9, "Z+" 2..9, "Z-" 2..10.
// Their neighbours in size (one column to either side) stay in the group.
// They are examined four at a time, from these columns on; of the last four
// only the first (column 54) is examined, the other lanes are left unused.
constexpr int kOutlierColumnGroups[] = {14, 24, 30, 34, 46, 50, 54};
constexpr int kOutlierColumnsPerLine = 25;

// "D+" fraction i with "D-" fraction i, then "Z+" i with "Z-" i.
constexpr int kFirstDiameterPair = 9, kDiameterPairs = 10, kDiameterPolarityGap = 10;
constexpr int kFirstMobilityPair = 29, kMobilityPairs = 16, kMobilityPolarityGap = 16;

constexpr size_t kCorrectionCapacity = 1000000;

// Percentage with three decimals, as the reports show it.
std::string percentText(long long part, long long whole) {
    std::string text;
    platform::appendFixed(text, 100.0 * static_cast<double>(part) / static_cast<double>(whole), 3);
    return text;
}

constexpr float kLargestSingle = std::numeric_limits<float>::max();

// The test of every examined value of lines first..last against its eight
// neighbours, in line and column order; stops when the corrections alone
// reach the capacity.
void scanForOutliers(const LoadedData& data, float multiplier, int first, int last, OutlierScan& scan) {
    using namespace lanes;
    const D2 limit = D2{} + static_cast<double>(multiplier);
    for (int r = first; r <= last; ++r) {
        if (!data.regularSpacing[r]) continue;
        scan.examined += kOutlierColumnsPerLine;
        const float* before = data.line(r - 1);
        const float* here = data.line(r);
        const float* after = data.line(r + 1);
        for (int col : kOutlierColumnGroups) {
            const int c = col - 1;
            // The eight neighbours, fraction by fraction, earlier line first.
            F4 smallest = load(before + c - 1), largest = smallest;
            F4 sum = {}, squares = {};
            auto take = [&](F4 v) {
                smallest = lesser(v, smallest);
                largest = greater(v, largest);
                sum += v;
                squares += v * v;
            };
            take(smallest);
            take(load(here + c - 1));
            take(load(after + c - 1));
            take(load(before + c));
            take(load(after + c));
            take(load(before + c + 1));
            take(load(here + c + 1));
            take(load(after + c + 1));
            // The running sum can only overflow through a value beyond an
            // eighth of the range, whose square has overflowed already.
            const I4 overflow = ~(squares <= kLargestSingle);
            // The running sums, the mean and the deviation are singles; the
            // squares left after the extremes, the variance and the test are
            // worked in double, which keeps the spread of the six that stay
            // when a large neighbour's square is taken away.
            const F4 sum6 = sum - smallest - largest;
            const F4 mean = sum6 / 6.0f;
            auto deviation = [&](D2 squares, D2 smallest, D2 largest, D2 mean) {
                const D2 squares6 = squares - smallest * smallest - largest * largest;
                const D2 meanOfSquares = abs(squares6 / 6);
                const D2 variance = meanOfSquares - mean * mean;
                // Nearly equal neighbours can leave a rounding residue below 0.
                return select(variance > 0.0, sqrt(variance), D2{});
            };
            const F4 spread = singles(
                deviation(lowHalf(squares), lowHalf(smallest), lowHalf(largest), lowHalf(mean)),
                deviation(highHalf(squares), highHalf(smallest), highHalf(largest), highHalf(mean)));
            const F4 value = load(here + c);
            const I4 outlier = lanesOf(abs(lowHalf(value) - lowHalf(mean)) > limit * lowHalf(spread),
                                       abs(highHalf(value) - highHalf(mean)) > limit * highHalf(spread));
            if (!any(overflow | outlier)) continue;
            const int lanesUsed = col == kOutlierColumnGroups[std::size(kOutlierColumnGroups) - 1] ? 1 : 4;
            for (int j = 0; j < lanesUsed; ++j) {
                if (overflow[j])
                    singleOverflow(data, "elimination of outliers", r, col + j, 0,
                                   "the sum of the neighbours' squares");
                if (!outlier[j]) continue;
                scan.corrections.emplace_back(r, col + j, static_cast<float>(platform::roundHalfEven(mean[j])));
                if (scan.corrections.size() == kCorrectionCapacity) return;
            }
        }
    }
}

// Lines a block of the outlier scan.
constexpr int kScanBlockLines = 4096;

// The outliers of every regularly spaced line, found on every core, block
// by block; each block stops at its first failure or when its own
// corrections alone are too many. In scan order, the correction that makes
// the list too long or the first failure, whichever the scan meets first,
// ends the run.
FoundOutliers findOutliers(PostprocessorRun& run) {
    const LoadedData& data = run.data;
    const float multiplier = run.params.outlierMultiplier;
    FoundOutliers found;
    found.blockLines = kScanBlockLines;
    const LineBlocks blocks(2, data.lineCount - 1, kScanBlockLines);
    found.scans.resize(static_cast<size_t>(blocks.count()));
    platform::forEachIndex(blocks.count(), [&](long k) {
        OutlierScan& scan = found.scans[static_cast<size_t>(k)];
        try {
            scanForOutliers(data, multiplier, blocks.first(k), blocks.last(k), scan);
        } catch (...) {
            scan.failure = std::current_exception();
        }
    });
    for (const OutlierScan& scan : found.scans) {
        if (found.count + static_cast<long long>(scan.corrections.size()) >= static_cast<long long>(kCorrectionCapacity))
            finishRun(run.console, "too many corrections!");
        if (scan.failure) std::rethrow_exception(scan.failure);
        found.count += static_cast<long long>(scan.corrections.size());
        found.examined += scan.examined;
    }
    return found;
}

void reportOutliers(PostprocessorRun& run, const FoundOutliers& found) {
    if (found.count == 0)
        run.console.writeLine(" Method 1: no outliers detected");
    else
        run.console.writeLine(" Method 1: outliers are corrected in " + percentText(found.count, found.examined) +
                              " % of available cells");
}

void reportDustPulses(PostprocessorRun& run, long long merges) {
    const long long cells = 2LL * (kDiameterPairs + kMobilityPairs) * run.data.lineCount;
    run.console.writeLine(" Method 2: dust pulses are corrected in " + percentText(merges, cells) +
                          " % of available cells");
}

}  // namespace

[[noreturn]] void singleOverflow(const LoadedData& data, std::string_view stage, int line, int column, int partner,
                                 std::string_view what) {
    std::string columns = partner == 0 ? "column " + std::to_string(column)
                                       : "columns " + std::to_string(column) + " and " + std::to_string(partner);
    platform::fail(std::string(stage) + ": data line " + std::to_string(line) + " (" +
                   platform::formatDateTime("yyyy-mm-dd hh:nn:ss", data.lineTimes[line]) + "), " + columns +
                   ": " + std::string(what) + " exceeds the single-precision range");
}

int mergeDustPulses(const LoadedData& data, int line, float* values) {
    int count = 0;
    auto mergePair = [&](int p, int q) {
        float& a = values[p - 1];
        float& b = values[q - 1];
        const float s = a + b;
        if (!(std::fabs(s) <= kLargestSingle))
            singleOverflow(data, "suppression of dust pulses", line, p, q, "the sum of the pair");
        if (a < 0 && s >= 0) {
            a = 0;
            b = s;
            ++count;
        } else if (b < 0 && s >= 0) {  // both negative can't give s >= 0
            b = 0;
            a = s;
            ++count;
        }
    };
    for (int i = 0; i < kDiameterPairs; ++i)
        mergePair(kFirstDiameterPair + i, kFirstDiameterPair + i + kDiameterPolarityGap);
    for (int i = 0; i < kMobilityPairs; ++i)
        mergePair(kFirstMobilityPair + i, kFirstMobilityPair + i + kMobilityPolarityGap);
    return count;
}

// Detection sees only uncorrected values; the replacements go in after it.
void correctOutliers(PostprocessorRun& run) {
    const FoundOutliers found = findOutliers(run);
    LineSteps steps;
    steps.outliers = &found;
    sweepLines(run.data, steps);
    reportOutliers(run, found);
}

void suppressDustPulses(PostprocessorRun& run) {
    LineSteps steps;
    steps.dustPulses = true;
    reportDustPulses(run, sweepLines(run.data, steps));
}

void correctAndSmooth(PostprocessorRun& run) {
    const RunParameters& params = run.params;
    const bool outliers = params.correctionMethod == 1 || params.correctionMethod == 3;
    LineSteps steps;
    FoundOutliers found;
    if (outliers) {
        found = findOutliers(run);
        // Nothing is written between the corrections and this report.
        reportOutliers(run, found);
        steps.outliers = &found;
    }
    steps.dustPulses = params.correctionMethod == 2 || params.correctionMethod == 3;
    steps.negativeRepetitions = std::max(0, params.negativeSmoothingLevel);
    steps.totalRepetitions = std::max(0, params.totalSmoothingLevel);
    const long long merges = sweepLines(run.data, steps);
    if (steps.dustPulses) reportDustPulses(run, merges);
}

}  // namespace postprocessor
