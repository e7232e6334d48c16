// Loading the data lines of the chosen days from the daily tables, ordering
// them by time and marking the regularly spaced ones.
#pragma once

#include "postprocessor/input/loaded_data.hpp"

namespace postprocessor {

struct PostprocessorRun;

// Reads every daily table of the input list whose title line equals that
// of the first table, keeps the lines of firstDay .. lastDay (up to the line
// limit) and sets the variable names.
void loadTables(PostprocessorRun& run);

// Sorts the lines by time (a diminishing-gap exchange sort; of lines with
// equal times the one it puts first stays) and removes repeated times.
void orderByTime(LoadedData& data);

// Marks every line whose time steps to both neighbours are similar and not
// longer than the typical step. With fewer than two lines nothing is marked.
void markRegularSpacing(LoadedData& data);

}  // namespace postprocessor
