// The frame of every program's main: the interrupt handlers, the dragged
// items, the process's console, and the one catch-all for run-time errors.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.hpp"

namespace platform {

using ProgramRun = int (*)(Console& console, const std::vector<std::string>& args);

// What a program is called and about how much memory its run's tables
// take, for the line that says there is not enough (0: the line leaves the
// figure out, for a program whose need grows with its input).
struct ProgramName {
    std::string_view name;
    int tablesMegabytes;
};

// Runs `run` on the process's console with the program's arguments. A
// run-time error ends it through reportRunFailure under the program's name:
// one line on standard error, exit code 1 (the console has given the
// terminal back its colours by then). So does a run that cannot get the
// memory for its tables (reportOutOfMemory); an output file open at that
// moment is removed, as at every run-time error.
int runProgram(ProgramName program, int argc, char** argv, ProgramRun run);

// The line for a failed allocation: "<program>: error: not enough memory for
// the run's tables (about N MB are needed)", exit code 1.
int reportOutOfMemory(ProgramName program, std::ostream& out, std::ostream& err);

}  // namespace platform
