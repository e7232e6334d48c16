// Diagram tables: per day, the 20 D fractions of the output grid, one row
// per output line and a closing row for 24:00, for plotting.
#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "platform/datetime.hpp"
#include "platform/files.hpp"
#include "platform/number_text.hpp"
#include "platform/parallel.hpp"
#include "platform/run_error.hpp"
#include "postprocessor/output/stages.hpp"
#include "postprocessor/run.hpp"

namespace postprocessor {

namespace {

constexpr int kDiagramColumns = 20;     // ten "D+" then ten "D-" fractions
constexpr int kFirstSourceColumn = 9;   // column 8 + j for j = 1..20
constexpr int kMinutesPerDay = 1440;
constexpr int kMinimumMinutes = 60;     // a day with less data gets no table

std::string diagramPath(const std::string& folder, double day) {
    std::string name = "d" + platform::formatDateTime("yymmdd", day) + ".xl";
    if (folder.empty() || platform::isPathSeparator(folder.back())) return folder + name;
    return platform::joinPath(folder, name);
}

// One day's table: rows 0..s of the 20 fractions, their data marks, and
// the text of the file when the day gets one.
struct DiagramDay {
    std::vector<float> buffer;
    std::vector<char> hasRowData;
    std::string text;
    bool written = false;
};

// The table of day `dayIndex` of the run (rows of s output lines of m
// minutes), made in `day`.
void makeDiagramDay(const RunParameters& params, const GridValues& grid, int dayIndex, DiagramDay& day) {
    const int s = params.linesPerDay;
    const int m = params.timeStepMinutes;
    const int maxGapLines = kMinimumMinutes / m + 1;
    std::vector<float>& buffer = day.buffer;
    std::vector<char>& hasRowData = day.hasRowData;
    buffer.resize(static_cast<size_t>(s + 1) * kDiagramColumns);
    hasRowData.resize(static_cast<size_t>(s + 1));
    auto row = [&](int t) { return &buffer[static_cast<size_t>(t) * kDiagramColumns]; };

    const int base = dayIndex * s;
    for (int t = 0; t < s; ++t) {
        const float* source = grid.line(base + t + 1) + (kFirstSourceColumn - 1);
        std::copy(source, source + kDiagramColumns, row(t));
    }
    std::copy(row(s - 1), row(s - 1) + kDiagramColumns, row(s));

    // Couple smoothing: row t becomes the mean of the output lines that
    // end and begin at its minute; downward, so each uses the row before
    // it unsmoothed.
    if (params.totalSmoothingLevel >= 0) {
        for (int t = s - 1; t >= 1; --t) {
            float* here = row(t);
            const float* before = row(t - 1);
            for (int j = 0; j < kDiagramColumns; ++j)
                here[j] = static_cast<float>((static_cast<double>(before[j]) + here[j]) / 2);
        }
    }

    int count = 0;
    for (int t = 0; t <= s; ++t) {
        hasRowData[t] = row(t)[0] > 0;
        count += hasRowData[t];
    }
    day.written = count * m >= kMinimumMinutes;
    if (!day.written) return;

    // Gaps of up to an hour (a single row at longer steps) are bridged
    // linearly; bridged rows keep their empty mark.
    for (int t = 0; t <= s - maxGapLines; ++t) {
        if (!hasRowData[t] || hasRowData[t + 1]) continue;
        const int lastCandidate = std::min(std::max(t + maxGapLines, t + 2), s);
        int end = 0;
        for (int j = t + 2; j <= lastCandidate && end == 0; ++j)
            if (hasRowData[j]) end = j;
        if (end == 0) continue;
        const double span = end - t;
        const float* from = row(t);
        const float* to = row(end);
        for (int r = t + 1; r < end; ++r) {
            float* here = row(r);
            const double wTo = (r - t) / span, wFrom = (end - r) / span;
            for (int j = 0; j < kDiagramColumns; ++j)
                here[j] = static_cast<float>(wTo * to[j] + wFrom * from[j]);
        }
    }

    // No negative value, and no negative zero either (it would read "-0").
    for (float& v : buffer)
        if (v <= 0) v = 0.0f;

    // A row is written whole into `text`: its label, and 20 singles of at
    // most 39 digits each, leave room for the kFixedTextRoom a value needs.
    std::string& out = day.text;
    out.clear();
    char text[2048];
    for (int t = 0; t <= s; ++t) {
        char* at = std::to_chars(text, text + 16, static_cast<long long>(t) * m).ptr;
        const float* values = row(t);
        for (int j = 0; j < kDiagramColumns; ++j) {
            *at++ = '\t';
            at = platform::writeFixed(at, values[j], 0);
        }
        *at++ = '\r';
        *at++ = '\n';
        out.append(text, static_cast<size_t>(at - text));
    }
}

// Days are made on every core, this many under way, and written in order.
constexpr int kDayWindow = 8;

}  // namespace

void writeDiagramTables(PostprocessorRun& run) {
    const RunParameters& params = run.params;
    const int s = params.linesPerDay;
    const int m = params.timeStepMinutes;
    if (s < 1 || s > kMinutesPerDay || s * m != kMinutesPerDay) platform::fail("the time step does not divide a day");
    const int days = static_cast<int>(params.lastDay - params.firstDay) + 1;
    if (days < 1 || static_cast<long long>(days) * s > params.outputLineCount)
        platform::fail("the days do not fit the output time grid");

    std::vector<DiagramDay> made(kDayWindow);
    platform::forEachInOrder(
        days, kDayWindow,
        [&](long dayIndex) {
            makeDiagramDay(params, run.grid, static_cast<int>(dayIndex), made[static_cast<size_t>(dayIndex % kDayWindow)]);
        },
        [&](long dayIndex) {
            const DiagramDay& day = made[static_cast<size_t>(dayIndex % kDayWindow)];
            if (!day.written) return;
            platform::OutputFile file(diagramPath(params.diagramFolder.real, params.firstDay + static_cast<double>(dayIndex)));
            file.write(day.text);
            file.commit();
        });
}

}  // namespace postprocessor
