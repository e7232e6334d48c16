// Repairs of the size and mobility fractions of the data lines: outliers
// against their neighbours in time and size, and dust pulses that show as a
// negative value in one polarity with its counterpart in the other.
#include <cmath>
#include <iterator>
#include <cstdint>
#include <exception>
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

// Percentage with three decimals, as the reports show it.
std::string percentText(long long part, long long whole) {
    std::string text;
    platform::appendFixed(text, 100.0 * static_cast<double>(part) / static_cast<double>(whole), 3);
    return text;
}

// A result kept as a single float that does not fit one ends the run as a
// run-time error: it names the stage, the data line (in time order, with its
// time) and the column or pair of columns, so the value can be found in the
// daily table. Kept out of line: the scans only test and call.
[[noreturn, gnu::noinline, gnu::cold]] void singleOverflow(const LoadedData& data, std::string_view stage,
                                                           int line, int column, int partner,
                                                           std::string_view what) {
    std::string columns = partner == 0 ? "column " + std::to_string(column)
                                       : "columns " + std::to_string(column) + " and " + std::to_string(partner);
    platform::fail(std::string(stage) + ": data line " + std::to_string(line) + " (" +
                   platform::formatDateTime("yyyy-mm-dd hh:nn:ss", data.lineTimes[line]) + "), " + columns +
                   ": " + std::string(what) + " exceeds the single-precision range");
}

constexpr float kLargestSingle = std::numeric_limits<float>::max();

// The outliers found in a block of lines, in scan order.
struct OutlierScan {
    long long examined = 0;
    std::vector<Correction> corrections;
    std::exception_ptr failure;
};

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
            const F4 neighbours[8] = {load(before + c - 1), load(here + c - 1), load(after + c - 1),
                                      load(before + c),     load(after + c),    load(before + c + 1),
                                      load(here + c + 1),   load(after + c + 1)};
            F4 smallest = neighbours[0], largest = neighbours[0];
            F4 sum = {}, squares = {};
            for (const F4 v : neighbours) {
                smallest = select(v < smallest, v, smallest);
                largest = select(v > largest, v, largest);
                sum += v;
                squares += v * v;
            }
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

}  // namespace

void correctOutliers(PostprocessorRun& run) {
    LoadedData& data = run.data;
    const float multiplier = run.params.outlierMultiplier;
    // Blocks of lines are scanned on every core; each stops at its first
    // failure or when its own corrections alone are too many.
    const LineBlocks blocks(2, data.lineCount - 1);
    std::vector<OutlierScan> scans(static_cast<size_t>(blocks.count()));
    platform::forEachIndex(blocks.count(), [&](long k) {
        OutlierScan& scan = scans[static_cast<size_t>(k)];
        try {
            scanForOutliers(data, multiplier, blocks.first(k), blocks.last(k), scan);
        } catch (...) {
            scan.failure = std::current_exception();
        }
    });

    // In scan order: the correction that makes the list too long, or the
    // first failure, whichever the scan meets first.
    long long examined = 0;
    size_t count = 0;
    for (const OutlierScan& scan : scans) {
        if (count + scan.corrections.size() >= kCorrectionCapacity) finishRun(run.console, "too many corrections!");
        if (scan.failure) std::rethrow_exception(scan.failure);
        count += scan.corrections.size();
        examined += scan.examined;
    }

    // Detection saw only uncorrected values; now the replacements go in.
    for (const OutlierScan& scan : scans)
        for (const Correction& c : scan.corrections) data.value(c.line(), c.column()) = c.value;

    if (count == 0)
        run.console.writeLine(" Method 1: no outliers detected");
    else
        run.console.writeLine(" Method 1: outliers are corrected in " +
                              percentText(static_cast<long long>(count), examined) + " % of available cells");
}

void suppressDustPulses(PostprocessorRun& run) {
    LoadedData& data = run.data;
    // Every line on its own: blocks of lines on every core, the first
    // failure in line order thrown.
    const LineBlocks blocks(1, data.lineCount);
    std::vector<long long> merged(static_cast<size_t>(blocks.count()), 0);
    platform::forEachIndex(blocks.count(), [&](long k) {
        long long count = 0;
        auto mergePair = [&](int r, float* line, int p, int q) {
            float& a = line[p - 1];
            float& b = line[q - 1];
            const float s = a + b;
            if (!(std::fabs(s) <= kLargestSingle))
                singleOverflow(data, "suppression of dust pulses", r, p, q, "the sum of the pair");
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
        for (int r = blocks.first(k); r <= blocks.last(k); ++r) {
            float* line = data.line(r);
            for (int i = 0; i < kDiameterPairs; ++i)
                mergePair(r, line, kFirstDiameterPair + i, kFirstDiameterPair + i + kDiameterPolarityGap);
            for (int i = 0; i < kMobilityPairs; ++i)
                mergePair(r, line, kFirstMobilityPair + i, kFirstMobilityPair + i + kMobilityPolarityGap);
        }
        merged[static_cast<size_t>(k)] = count;
    });
    long long count = 0;
    for (long long m : merged) count += m;
    const long long cells = 2LL * (kDiameterPairs + kMobilityPairs) * data.lineCount;
    run.console.writeLine(" Method 2: dust pulses are corrected in " + percentText(count, cells) +
                          " % of available cells");
}

}  // namespace postprocessor
