// A postprocessing run built in-process for the stage tests: the console
// over strings, the tables allocated, and the values the earlier stages
// would have set.
#pragma once

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/console.hpp"
#include "platform/datetime.hpp"
#include "platform/files.hpp"
#include "postprocessor/run.hpp"

namespace stage_test {

using postprocessor::PostprocessorRun;

struct StageRun {
    std::istringstream in{"\n\n\n"};
    std::ostringstream out;
    platform::Console console{in, out};
    PostprocessorRun run{console, {}};

    // Output grid over the days firstDay..lastDay at the given step.
    explicit StageRun(double firstDay = platform::encodeDate(2011, 12, 20), int days = 1, int stepMinutes = 60) {
        run.data.allocate();
        run.grid.allocate();
        auto& p = run.params;
        p.firstDay = firstDay;
        p.lastDay = firstDay + days - 1;
        setStep(stepMinutes);
        for (int i = 1; i <= 10; ++i) run.logDiameterGrid[i] = std::log(10.0) * ((i - 3.5) / 8);
        int* decimals = run.variables.variableDecimals;
        decimals[2] = 1, decimals[3] = 4, decimals[4] = 2, decimals[5] = 1, decimals[6] = 1;
        decimals[61] = 1, decimals[66] = 2, decimals[67] = 2, decimals[75] = 2, decimals[76] = 2;
        for (int v = 1; v <= 78; ++v) run.variables.variableNames[v] = "c" + std::to_string(v);
    }

    void setStep(int stepMinutes) {
        auto& p = run.params;
        p.timeStepMinutes = stepMinutes;
        p.timeStepDays = stepMinutes / 1440.0;
        p.linesPerDay = 1440 / stepMinutes;
        p.outputLineCount = p.linesPerDay * static_cast<int>(p.lastDay - p.firstDay + 1);
    }

    // A data line at `time` with every value `fill`, the date code, time
    // code and day number as a daily table has them; returns its values.
    float* addLine(double time, float fill = 0) {
        auto& d = run.data;
        const int r = ++d.lineCount;
        d.lineTimes[r] = time;
        d.regularSpacing[r] = 0;
        float* line = d.line(r);
        for (int c = 0; c < postprocessor::kColumnCount; ++c) line[c] = fill;
        const auto parts = platform::decode(time);
        line[0] = static_cast<float>((parts.year - 2000) * 10000 + parts.month * 100 + parts.day);
        line[1] = static_cast<float>(parts.hour * 100 + parts.minute);
        line[2] = static_cast<float>(platform::dayOfYear(time) + (time - std::floor(time)));
        return line;
    }

    // Lines 2..n-1 regularly spaced, the first and the last not.
    void markInnerLines() {
        auto& d = run.data;
        for (int r = 1; r <= d.lineCount; ++r) d.regularSpacing[r] = r > 1 && r < d.lineCount;
    }

    float& value(int r, int col) { return run.data.value(r, col); }
    float& grid(int g, int col) { return run.grid.value(g, col); }
    std::string consoleText() const { return out.str(); }
};

// A fresh folder for output files, removed afterwards.
struct TempFolder {
    std::filesystem::path path;
    TempFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path = std::filesystem::temp_directory_path() /
               (std::string("kevor-stages-") + test->test_suite_name() + "-" + test->name());
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
    std::string folder() const { return path.string() + platform::pathSeparator; }
};

inline std::string readFile(const std::string& path) {
    std::string text;
    EXPECT_TRUE(platform::readWholeFile(path, text)) << path;
    return text;
}

}  // namespace stage_test
