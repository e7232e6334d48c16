// The Normal and the Fraction table: head lines, then one line per output
// line with data: an optional time column and the chosen variables.
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "platform/datetime.hpp"
#include "platform/files.hpp"
#include "platform/number_text.hpp"
#include "platform/parallel.hpp"
#include "platform/run_error.hpp"
#include "postprocessor/output/line_blocks.hpp"
#include "postprocessor/output/stages.hpp"
#include "postprocessor/output/table_text.hpp"
#include "postprocessor/run.hpp"

namespace postprocessor {

namespace {

// Fraction columns ("D+", "D-", "Z+", "Z-"), per decade in the daily table.
constexpr int kFirstFractionColumn = 9, kLastFractionColumn = 60;
constexpr int kFractionsPerDecade = 8;

constexpr int kFirstExtraVariable = 81;  // 81..100 "ED+", 101..120 "ED-"
constexpr int kFirstNegativeExtraVariable = 101;

// Six digits with leading zeros: characters 2 to 7 of code + 1000000.
char* writeDateCode(char* at, float code) {
    char digits[24];
    const long long shifted = platform::roundHalfEvenToInt(static_cast<double>(code) + 1000000.0);
    const char* end = std::to_chars(digits, digits + sizeof digits, shifted).ptr;
    const size_t length = static_cast<size_t>(end - digits);
    if (length <= 1) return at;
    const size_t count = std::min<size_t>(length - 1, 6);
    std::memcpy(at, digits + 1, count);
    return at + count;
}

// Output lines are formatted in blocks of this many on every core, with
// this many blocks under way.
constexpr int kLinesPerBlock = 256;
constexpr int kBlockWindow = 4;

}  // namespace

double slotMiddleTime(const RunParameters& params, int g) {
    return params.firstDay + (g - 0.5) * params.timeStepDays;
}

double quadraticInterpolation(double yPlus, double y0, double yMinus, double step, double x0, double x) {
    const double u = (x - x0) / step;
    return y0 + u * (yPlus - yMinus) / 2 + u * u * ((yPlus + yMinus) / 2 - y0);
}

double extraDiameterValue(PostprocessorRun& run, const float* row, int v) {
    // Fraction i of the "D+" group is column 8 + i, of the "D-" group 18 + i.
    const bool positive = v < kFirstNegativeExtraVariable;
    const int base = positive ? 8 : 18;
    const int number = positive ? v - (kFirstExtraVariable - 1) : v - (kFirstNegativeExtraVariable - 1);
    if (number < 1 || number > kExtraDiameterCapacity) platform::fail("variable number out of range");
    if (number > run.input.extraDiameterCount) finishRun(run.console, "extra diameter not defined");
    const double x = std::log(run.input.extraDiameters[number]);
    // Nearest inner grid point, so that both neighbours exist.
    int centre = 2;
    for (int i = 3; i <= 9; ++i)
        if (std::fabs(run.logDiameterGrid[i] - x) < std::fabs(run.logDiameterGrid[centre] - x)) centre = i;
    auto column = [&](int col) { return static_cast<double>(row[col - 1]); };
    return quadraticInterpolation(column(base + centre + 1), column(base + centre), column(base + centre - 1),
                                  std::log(10.0) / 8, run.logDiameterGrid[centre], x);
}

void appendTimeText(std::string& out, const PostprocessorRun& run, double t) {
    const std::string& format = run.params.timeFormat;
    if (format == "j") {
        platform::appendInt(out, platform::dayOfYear(t));
    } else if (format == "j.f") {
        platform::appendFixed(out, platform::dayOfYear(t) + (t - std::trunc(t)), 4);
    } else if (format == "t.f") {
        platform::appendFixed(out, t, 4);
    } else if (format.empty()) {
        // The run's short date, a blank, the long time.
        platform::appendDateTime(out, "yyyy-mm-dd hh:nn:ss", t, run.dateFormat);
    } else {
        platform::appendDateTime(out, format, t, run.dateFormat);
    }
}

namespace {

// One output line: the time text and the chosen variables of output line g,
// whose values are `row`.
void appendOutputLine(std::string& out, PostprocessorRun& run, const float* row, int g, bool timeColumn) {
    const RunParameters& params = run.params;
    const double t = slotMiddleTime(params, g);
    if (timeColumn) {
        appendTimeText(out, run, t);
        out += '\t';
    }
    // The values are written into `text` and appended to `out` a stretch at
    // a time; a value needs kFixedTextRoom characters of room to be written.
    char text[4096];
    char* at = text;
    auto flush = [&] {
        out.append(text, static_cast<size_t>(at - text));
        at = text;
    };
    for (int k = 1; k <= params.selectedVariableCount; ++k) {
        if (at - text > static_cast<std::ptrdiff_t>(sizeof text) - platform::kFixedTextRoom - 1) flush();
        if (k > 1) *at++ = '\t';
        const int v = params.selectedVariables[k];
        if (v < 1 || v > kVariableCount) platform::fail("variable number out of range");
        if (v == 1) {
            at = writeDateCode(at, row[0]);
        } else if (v == 2) {
            flush();
            platform::appendDateTime(out, "hhnn", t, run.dateFormat);
        } else if (v > kColumnCount) {
            at = platform::writeFixed(at, extraDiameterValue(run, row, v), run.variables.variableDecimals[v]);
        } else {
            at = platform::writeFixed(at, row[v - 1], run.variables.variableDecimals[v]);
        }
    }
    *at++ = '\r';
    *at++ = '\n';
    flush();
}

}  // namespace

void writeNormalOrFractionTable(PostprocessorRun& run) {
    const RunParameters& params = run.params;
    GridValues& grid = run.grid;
    const bool fractionTable = params.tableKind == 'F';
    if (fractionTable) {
        const LineBlocks blocks(1, params.outputLineCount, kLinesPerBlock);
        platform::forEachIndex(blocks.count(), [&](long k) {
            for (int g = blocks.first(k); g <= blocks.last(k); ++g) {
                float* line = grid.line(g);
                for (int col = kFirstFractionColumn; col <= kLastFractionColumn; ++col)
                    line[col - 1] /= kFractionsPerDecade;
            }
        });
    }

    platform::OutputFile file(params.outputFileName.real);
    file.writeLine("Fract\tcorrect\tmult-std\tsm-neg\tsm-tot\ttrim");
    std::string head = fractionTable ? "1" : "0";
    head += '\t';
    platform::appendInt(head, params.correctionMethod);
    head += '\t';
    platform::appendFixed(head, params.outlierMultiplier, 1);
    for (int value : {params.negativeSmoothingLevel, params.totalSmoothingLevel, params.trimmingDegree}) {
        head += '\t';
        platform::appendInt(head, value);
    }
    file.writeLine(head);

    const bool timeColumn = params.timeFormat != "x";
    head.clear();
    if (timeColumn) head += params.timeFormat;
    for (int k = 1; k <= params.selectedVariableCount; ++k) {
        if (k > 1 || timeColumn) head += '\t';
        head += run.variables.variableNames[params.selectedVariables[k]];
    }
    file.writeLine(head);

    // The first output line with data is written here: a variable that
    // can't be written (an extra diameter not defined) ends the run at it,
    // on this thread. Every later line holds the same variables; they are
    // written in blocks, formatted on every core and written in order.
    int g = 1;
    while (g <= params.outputLineCount && !grid.hasData(g)) ++g;
    if (g <= params.outputLineCount) {
        appendOutputLine(file.buffer(), run, grid.line(g), g, timeColumn);
        file.flushIfFull();
    }
    const LineBlocks blocks(g + 1, params.outputLineCount, kLinesPerBlock);
    std::vector<std::string> texts(kBlockWindow);
    platform::forEachInOrder(
        blocks.count(), kBlockWindow,
        [&](long k) {
            std::string& text = texts[static_cast<size_t>(k % kBlockWindow)];
            text.clear();
            for (int line = blocks.first(k); line <= blocks.last(k); ++line)
                if (grid.hasData(line)) appendOutputLine(text, run, grid.line(line), line, timeColumn);
        },
        [&](long k) { file.write(texts[static_cast<size_t>(k % kBlockWindow)]); });
    file.commit();
}

}  // namespace postprocessor
