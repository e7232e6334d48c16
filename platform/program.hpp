// The frame of every program's main: the interrupt handlers, the dragged
// items, the process's console, and the one catch-all for run-time errors.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/console.hpp"

namespace platform {

using ProgramRun = int (*)(Console& console, const std::vector<std::string>& args);

// Runs `run` on the process's console with the program's arguments. A
// run-time error ends it through reportRunFailure under `name`: one line on
// standard error, exit code 1 (the console has given the terminal back its
// colours by then).
int runProgram(std::string_view name, int argc, char** argv, ProgramRun run);

}  // namespace platform
