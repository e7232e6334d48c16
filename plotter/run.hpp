// KEVORPLOT's run: the dragged Diagram table or folder of them, a picture
// per table beside it, an overview per calendar month of a folder, and the
// console lines that tell what was written and what was not.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.hpp"
#include "plotter/picture.hpp"

namespace plotter {

inline constexpr std::string_view kBanner = " Plotter KEVORPLOT";
inline constexpr int kMaxMonthDays = 31;

// The days of the month being drawn, kept for its overview.
struct MonthDays {
    DayCells cells[kMaxMonthDays];
    DayState states[kMaxMonthDays] = {};
};

struct PlotRun {
    PlotRun(platform::Console& console, std::vector<std::string> args);

    platform::Console& console;
    std::vector<std::string> args;
    std::string tableText;  // the text of the table being read
    std::unique_ptr<MonthDays> month;
    PictureBuffers buffers;
    int picturesWritten = 0;
    int tablesNotDrawn = 0;
};

// The whole run; 0 at every end it foresees. Other failures (a picture that
// cannot be written) are run-time errors for the catch-all of main.
int runPlotter(platform::Console& console, const std::vector<std::string>& args);

}  // namespace plotter
