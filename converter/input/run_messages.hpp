// The ways a conversion run ends early after telling the user why: each
// waits for Enter and ends the run (platform::RunEnded).
#pragma once

#include <string>
#include <string_view>

#include "platform/console.hpp"

namespace converter {

// Local date and time now as "yyyy-mm-dd hh:nn:ss", the console's time stamp.
std::string timeStamp();

// Waits for Enter and ends the run.
[[noreturn]] void endAfterEnter(platform::Console& console);

// "Interrupted " + time stamp, then `reason` (one line each); waits for Enter
// and ends the run.
[[noreturn]] void interruptRun(platform::Console& console, std::string_view reason);

// An empty line, "Fatal error: " + text + ",", "press ENTER to escape!";
// waits for Enter and ends the run.
[[noreturn]] void fatalErrorReport(platform::Console& console, std::string_view text);

}  // namespace converter
