// One postprocessing run: daily tables in, a Normal, Fraction or Diagram
// table out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/console.hpp"
#include "platform/datetime.hpp"
#include "postprocessor/input/input_set.hpp"
#include "postprocessor/input/loaded_data.hpp"
#include "postprocessor/input/run_parameters.hpp"
#include "postprocessor/output/grid.hpp"

namespace postprocessor {

// Everything of one run, owned here and passed by reference to the stages.
struct PostprocessorRun {
    PostprocessorRun(platform::Console& c, std::vector<std::string> arguments)
        : console(c), args(std::move(arguments)) {}

    platform::Console& console;
    std::vector<std::string> args;  // the dragged items, without the program name
    platform::DateFormat dateFormat;  // the run's date conventions
    InputSet input;
    RunParameters params;
    LoadedData data;
    VariableTables variables;
    double logDiameterGrid[11] = {};  // 1-based
    GridValues grid;
};

// The closing lines (message, empty line, " Finished hh:nn:ss, press ENTER!"),
// a wait for Enter, and the end of the run (throws platform::RunEnded).
[[noreturn]] void finishRun(platform::Console& console, std::string_view message);

// Console, start values and launch header (the run's first steps).
void startRun(PostprocessorRun& run);
// From the dragged items to the loaded, ordered and marked data lines: the
// two steps below.
void readInput(PostprocessorRun& run);
// The dragged items, the daily tables and extra diameters found from them,
// and the dialogue.
void askForInput(PostprocessorRun& run);
// The chosen days loaded, ordered by time and marked for regular spacing.
void loadInput(PostprocessorRun& run);
// Corrections, smoothing, averaging and the output tables, as chosen.
void processAndWrite(PostprocessorRun& run);

// The whole run; returns the exit code (0 for every foreseen end). Run-time
// errors are thrown to the caller.
int runPostprocessor(PostprocessorRun& run);
int runPostprocessor(platform::Console& console, const std::vector<std::string>& args);

}  // namespace postprocessor
