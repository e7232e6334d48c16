// A postprocessing run built in-process for the stage tests: the console
// over strings, the tables allocated, and the values the earlier stages
// would have set.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/console.hpp"
#include "platform/datetime.hpp"
#include "platform/files.hpp"
#include "postprocessor/run.hpp"

namespace stage_test {

struct StageRun {
    std::istringstream in{"\n"};
    std::ostringstream out;
    platform::Console console{in, out};
    postprocessor::PostprocessorRun run{console, {}};

    // An output grid over `days` days from 2011-12-20 at the given step.
    explicit StageRun(int stepMinutes = 60, int days = 1) {
        run.data.allocate();
        run.grid.allocate();
        run.params.firstDay = platform::encodeDate(2011, 12, 20);
        run.params.lastDay = run.params.firstDay + days - 1;
        run.params.timeStepMinutes = stepMinutes;
        run.params.timeStepDays = stepMinutes / 1440.0;
        run.params.linesPerDay = 1440 / stepMinutes;
        run.params.outputLineCount = run.params.linesPerDay * days;
        for (int i = 1; i <= 10; ++i) run.logDiameterGrid[i] = std::log(10.0) * ((i - 3.5) / 8);
        int* decimals = run.variables.variableDecimals;
        decimals[3] = 4, decimals[4] = decimals[66] = decimals[67] = decimals[75] = decimals[76] = 2;
        decimals[2] = decimals[5] = decimals[6] = decimals[61] = 1;
        for (int v = 1; v <= 78; ++v) run.variables.variableNames[v] = "c" + std::to_string(v);
    }

    // A data line `minutes` after 00:00 of the first day, every value
    // `fill` but the date code, time code and day number; returns its values.
    float* addLine(double minutes, float fill = 0) {
        const double time = run.params.firstDay + minutes / 1440.0;
        const int r = ++run.data.lineCount;
        run.data.lineTimes[r] = time;
        run.data.regularSpacing[r] = 0;
        float* line = run.data.line(r);
        for (int c = 0; c < postprocessor::kColumnCount; ++c) line[c] = fill;
        const auto parts = platform::decode(time);
        line[0] = static_cast<float>((parts.year - 2000) * 10000 + parts.month * 100 + parts.day);
        line[1] = static_cast<float>(parts.hour * 100 + parts.minute);
        line[2] = static_cast<float>(platform::dayOfYear(time) + (time - std::floor(time)));
        return line;
    }
    void markInnerLines() {  // lines 2..n-1, never the first and the last
        for (int r = 1; r <= run.data.lineCount; ++r) run.data.regularSpacing[r] = r > 1 && r < run.data.lineCount;
    }
    void select(const std::vector<int>& variables) {
        run.params.selectedVariableCount = 0;
        for (int v : variables) run.params.selectedVariables[++run.params.selectedVariableCount] = v;
    }
    float& value(int r, int col) { return run.data.value(r, col); }
    float& grid(int g, int col) { return run.grid.value(g, col); }
    std::string consoleText() const { return out.str(); }
};

// A fresh folder for output files, removed afterwards.
struct TempFolder {
    std::filesystem::path path;
    TempFolder() {
        static int made = 0;
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path = std::filesystem::temp_directory_path() /
               ("kevor-stages-" + std::string(test->name()) + "-" + std::to_string(++made));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

// The lines of a written file (each ending in CR LF), split at the tabs.
inline std::vector<std::vector<std::string>> readTable(const std::string& path) {
    std::string text;
    EXPECT_TRUE(platform::readWholeFile(path, text)) << path;
    EXPECT_TRUE(text.empty() || text.ends_with("\r\n"));
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\t') {
            fields.emplace_back();
        } else if (text.compare(i, 2, "\r\n") == 0) {
            rows.push_back(std::move(fields));
            fields.assign(1, "");
            ++i;
        } else {
            fields.back() += text[i];
        }
    }
    return rows;
}

}  // namespace stage_test
