// The dragged items: which one is processed, the list of daily tables it
// stands for, and the extra diameters of diameters.txt beside them.
#pragma once

#include <string_view>

#include "platform/console.hpp"
#include "postprocessor/input/input_set.hpp"

namespace postprocessor {

struct PostprocessorRun;

// A dragged path in both forms: upper-cased for display and name tests, as
// given for the file system.
PathName pathFromArgument(std::string_view argument);

// Chooses the item to process from the arguments and sets twoFileRegime.
// Without any argument the run ends with the launch hint.
void readCommandLine(PostprocessorRun& run);

// Kind of the chosen item, work folder, list of daily tables (printed) and
// the extra diameters.
void discoverInput(PostprocessorRun& run);

// Appends every entry of `folder` matching `pattern` that is not a folder,
// in order of entry names; more than the list holds ends the run.
void scanFolder(PostprocessorRun& run, const PathName& folder, std::string_view pattern);

// Reads workFolder + "diameters.txt" when it exists.
void readExtraDiameters(PostprocessorRun& run);

// The stop for a file that exists but can't be read: two lines, a wait for
// Enter, and the end of the run without the closing lines.
[[noreturn]] void stopAsInaccessible(platform::Console& console, std::string_view displayPath);

}  // namespace postprocessor
