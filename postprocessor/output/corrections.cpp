// Repairs of the size and mobility fractions of the data lines: outliers
// against their neighbours in time and size, and dust pulses that show as a
// negative value in one polarity with its counterpart in the other.
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "platform/datetime.hpp"
#include "platform/number_text.hpp"
#include "platform/run_error.hpp"
#include "postprocessor/output/stages.hpp"
#include "postprocessor/run.hpp"

namespace postprocessor {

namespace {

// Examined columns: "D+" fractions 6..9, "D-" 6..9, "Z+" 2..9, "Z-" 2..10.
// Their neighbours in size (one column to either side) stay in the group.
constexpr int kOutlierColumns[] = {14, 15, 16, 17, 24, 25, 26, 27, 30, 31, 32, 33, 34,
                                   35, 36, 37, 46, 47, 48, 49, 50, 51, 52, 53, 54};

// "D+" fraction i with "D-" fraction i, then "Z+" i with "Z-" i.
constexpr int kFirstDiameterPair = 9, kDiameterPairs = 10, kDiameterPolarityGap = 10;
constexpr int kFirstMobilityPair = 29, kMobilityPairs = 16, kMobilityPolarityGap = 16;

constexpr int kCorrectionCapacity = 1000000;

struct Correction {
    int32_t line;
    int32_t column;
    float value;  // a whole number: the neighbours' mean, rounded half to even
};

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

}  // namespace

void correctOutliers(PostprocessorRun& run) {
    LoadedData& data = run.data;
    const float multiplier = run.params.outlierMultiplier;
    // Room for every correction but the one that stops the run; untouched
    // until used.
    std::unique_ptr<Correction[]> corrections(new Correction[kCorrectionCapacity]);
    long long examined = 0;
    int count = 0;

    for (int r = 2; r <= data.lineCount - 1; ++r) {
        if (!data.regularSpacing[r]) continue;
        const float* before = data.line(r - 1);
        const float* here = data.line(r);
        const float* after = data.line(r + 1);
        for (int col : kOutlierColumns) {
            ++examined;
            const int c = col - 1;
            // The eight neighbours, fraction by fraction, earlier line first.
            const float neighbours[8] = {before[c - 1], here[c - 1], after[c - 1], before[c],
                                         after[c],      before[c + 1], here[c + 1], after[c + 1]};
            float smallest = neighbours[0], largest = neighbours[0];
            float sum = 0, squares = 0;
            for (float v : neighbours) {
                if (v < smallest) smallest = v;
                if (v > largest) largest = v;
                sum += v;
                squares += v * v;
            }
            // The running sum can only overflow through a value beyond an
            // eighth of the range, whose square has overflowed already.
            if (!(squares <= kLargestSingle))
                singleOverflow(data, "elimination of outliers", r, col, 0, "the sum of the neighbours' squares");
            // The running sums, the mean and the deviation are singles; the
            // squares left after the extremes, the variance and the test are
            // worked in double, which keeps the spread of the six that stay
            // when a large neighbour's square is taken away.
            const float sum6 = sum - smallest - largest;
            const double squares6 = static_cast<double>(squares) - static_cast<double>(smallest) * smallest -
                                    static_cast<double>(largest) * largest;
            const float mean = sum6 / 6.0f;
            const double meanOfSquares = std::fabs(squares6 / 6);
            const double variance = meanOfSquares - static_cast<double>(mean) * mean;
            // Nearly equal neighbours can leave a rounding residue below 0.
            const float deviation = variance > 0 ? static_cast<float>(std::sqrt(variance)) : 0.0f;
            if (!(std::fabs(static_cast<double>(here[c]) - mean) > static_cast<double>(multiplier) * deviation))
                continue;
            corrections[count] = {r, col, static_cast<float>(platform::roundHalfEven(mean))};
            ++count;
            if (count == kCorrectionCapacity) finishRun(run.console, "too many corrections!");
        }
    }

    // Detection saw only uncorrected values; now the replacements go in.
    for (int i = 0; i < count; ++i)
        data.value(corrections[i].line, corrections[i].column) = corrections[i].value;

    if (count == 0)
        run.console.writeLine(" Method 1: no outliers detected");
    else
        run.console.writeLine(" Method 1: outliers are corrected in " + percentText(count, examined) +
                              " % of available cells");
}

void suppressDustPulses(PostprocessorRun& run) {
    LoadedData& data = run.data;
    long long cells = 0, count = 0;
    auto mergePair = [&](int r, float* line, int p, int q) {
        cells += 2;
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
    for (int r = 1; r <= data.lineCount; ++r) {
        float* line = data.line(r);
        for (int i = 0; i < kDiameterPairs; ++i)
            mergePair(r, line, kFirstDiameterPair + i, kFirstDiameterPair + i + kDiameterPolarityGap);
        for (int i = 0; i < kMobilityPairs; ++i)
            mergePair(r, line, kFirstMobilityPair + i, kFirstMobilityPair + i + kMobilityPolarityGap);
    }
    run.console.writeLine(" Method 2: dust pulses are corrected in " + percentText(count, cells) +
                          " % of available cells");
}

}  // namespace postprocessor
