// Times the processing stages of KEVORPP on a year of synthetic one-minute
// data lines (525,600, regularly spaced), as loading would leave them:
//
//   bench-postprocessor-stages [normal|diagram|daily|both] [output folder]
//
// normal:  outliers and dust pulses (multiplier 4), negative smoothing 2,
//          total smoothing 2, 1-minute step, Normal table of variables 1-78;
// diagram: the same corrections and smoothing, 10-minute step, trimming 2,
//          Diagram tables;
// daily:   the same, 1440-minute step, trimming 20 (1440 lines per output
//          line), Normal table.
// Prints the time of each stage, and of the four corrections and smoothing
// passes in the one sweep the run makes of them, and the peak resident
// memory.
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>

#include "platform/console.hpp"
#include "platform/datetime.hpp"
#include "postprocessor/output/stages.hpp"
#include "postprocessor/run.hpp"

using namespace postprocessor;

namespace {

constexpr int kDays = 365;
constexpr int kLinesPerDay = 1440;

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Processor time of this process, user and system: on a shared machine a
// steadier measure than the wall clock.
double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return s(usage.ru_utime) + s(usage.ru_stime);
}

struct Times {
    double wall = 0, processor = 0;
};

// Daily cycles with noise, some negative fractions, some spikes.
void fillYear(PostprocessorRun& run) {
    LoadedData& data = run.data;
    std::mt19937 random(2011);
    std::normal_distribution<float> noise(0.0f, 1.0f);
    const double first = run.params.firstDay;
    int r = 0;
    for (int day = 0; day < kDays; ++day) {
        const platform::DateTimeParts date = platform::decode(first + day);
        const float dateCode = static_cast<float>((date.year - 2000) * 10000 + date.month * 100 + date.day);
        for (int minute = 0; minute < kLinesPerDay; ++minute) {
            ++r;
            // The instrument's cycle ends half a minute past; the day
            // column's single float holds the time to about 3 s.
            const float dayColumn = static_cast<float>(day + 1 + (minute + 0.5) / 1440.0);
            data.lineTimes[r] = first + day + (dayColumn - std::trunc(dayColumn));
            float* line = data.line(r);
            const float phase = static_cast<float>(std::sin(6.2831853 * minute / 1440.0));
            line[0] = dateCode;
            line[1] = static_cast<float>(minute / 60 * 100 + minute % 60);
            line[2] = dayColumn;
            line[3] = 8 + 6 * phase + 0.1f * noise(random);
            line[4] = 70 - 15 * phase + noise(random);
            line[5] = 1005 + 0.2f * noise(random);
            line[6] = 3 + 0.5f * noise(random);
            line[7] = 3 + 0.5f * noise(random);
            for (int c = 8; c < 60; ++c) {
                const float level = 200.0f + 150.0f * phase + 20.0f * static_cast<float>(c % 10);
                float v = level + 40.0f * noise(random);
                if (random() % 200 == 0) v = -std::fabs(v) * 0.3f;  // a dust pulse's negative half
                if (random() % 500 == 0) v *= 8;                    // a spike
                line[c] = std::round(v);
            }
            for (int c = 60; c < 76; ++c) line[c] = 50 + 10 * noise(random);
            line[76] = static_cast<float>(random() % 3);
            line[77] = 1;
            data.regularSpacing[r] = 1;
        }
    }
    data.lineCount = r;
    data.regularSpacing[1] = data.regularSpacing[r] = 0;
}

enum class Scenario { normal, diagram, daily };

void setUpRun(PostprocessorRun& run, Scenario scenario, const std::string& folder) {
    const bool diagram = scenario == Scenario::diagram;
    RunParameters& p = run.params;
    p.firstDay = platform::encodeDate(2011, 1, 1);
    p.lastDay = p.firstDay + kDays - 1;
    p.correctionMethod = 3;
    p.outlierMultiplier = 4;
    p.negativeSmoothingLevel = 2;
    p.totalSmoothingLevel = 2;
    p.fillSingleGaps = true;
    p.timeStepMinutes = diagram ? 10 : scenario == Scenario::daily ? 1440 : 1;
    p.timeStepDays = p.timeStepMinutes / 1440.0;
    p.linesPerDay = 1440 / p.timeStepMinutes;
    p.outputLineCount = p.linesPerDay * kDays;
    p.trimmingDegree = diagram ? 2 : scenario == Scenario::daily ? 20 : 0;
    p.tableKind = diagram ? 'D' : 'N';
    p.timeFormat = "";
    for (int v = 1; v <= 78; ++v) p.selectedVariables[v] = v;
    p.selectedVariableCount = 78;
    p.outputFileName = {folder + "/BENCH.TXT", folder + "/bench.txt"};
    p.diagramFolder = {folder + "/", folder + "/"};
    for (int i = 1; i <= 10; ++i) run.logDiameterGrid[i] = std::log(10.0) * ((i - 3.5) / 8);
    int* d = run.variables.variableDecimals;
    d[2] = 1, d[3] = 4, d[4] = 2, d[5] = 1, d[6] = 1, d[61] = 1, d[66] = 2, d[67] = 2, d[75] = 2, d[76] = 2;
    for (int v = 1; v <= 78; ++v) run.variables.variableNames[v] = "v" + std::to_string(v);
}

void timed(Times& total, const char* name, void (*stage)(PostprocessorRun&), PostprocessorRun& run) {
    const auto start = std::chrono::steady_clock::now();
    const double startProcessor = processorSeconds();
    stage(run);
    const Times t{seconds(start), processorSeconds() - startProcessor};
    std::printf("  %-28s %7.3f s wall %7.3f s processor\n", name, t.wall, t.processor);
    total.wall += t.wall;
    total.processor += t.processor;
}

void runScenario(Scenario scenario, const std::string& folder) {
    const bool diagram = scenario == Scenario::diagram;
    std::istringstream in;
    std::ostringstream out;
    platform::Console console(in, out);
    PostprocessorRun run(console, {});
    std::printf("%s\n", diagram                         ? "10-minute step, trimming 2, Diagram tables:"
                         : scenario == Scenario::daily ? "1440-minute step, trimming 20, Normal table:"
                                                       : "1-minute step, Normal table of variables 1-78:");
    auto start = std::chrono::steady_clock::now();
    run.data.allocate();
    run.grid.allocate();
    setUpRun(run, scenario, folder);
    fillYear(run);
    std::printf("  %-28s %7.3f s (%d lines; stands in for loading)\n", "synthetic data", seconds(start), run.data.lineCount);
    Times total;
    timed(total, "correctOutliers", correctOutliers, run);
    timed(total, "suppressDustPulses", suppressDustPulses, run);
    timed(total, "smoothNegatives", smoothNegatives, run);
    timed(total, "smoothTotally", smoothTotally, run);
    {
        // The run does the four in one sweep: the same again on the same
        // year, made anew (not counted in the total).
        PostprocessorRun again(console, {});
        again.data.allocate();
        setUpRun(again, scenario, folder);
        fillYear(again);
        Times sweep;
        timed(sweep, "the four in one sweep", correctAndSmooth, again);
    }
    timed(total, "averageOntoGrid + fillGaps", averageOntoGrid, run);
    if (diagram)
        timed(total, "writeDiagramTables", writeDiagramTables, run);
    else
        timed(total, "writeNormalOrFractionTable", writeNormalOrFractionTable, run);
    std::printf("  %-28s %7.3f s wall %7.3f s processor\n", "stages together", total.wall, total.processor);
    std::printf("  console: %s", out.str().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const std::string which = argc > 1 ? argv[1] : "both";
    const std::string folder =
        argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "kevor-bench-stages").string();
    std::filesystem::create_directories(folder);
    if (which == "normal" || which == "both") runScenario(Scenario::normal, folder);
    if (which == "diagram" || which == "both") runScenario(Scenario::diagram, folder);
    if (which == "daily") runScenario(Scenario::daily, folder);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.1f MB\n", usage.ru_maxrss / 1024.0);
    std::printf("output in %s\n", folder.c_str());
    return 0;
}
