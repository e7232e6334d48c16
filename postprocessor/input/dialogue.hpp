// The processing dialogue: days, corrections, smoothing, gaps, time step,
// trimming, kind of table, time format, variables and output names.
#pragma once

#include <string_view>

#include "postprocessor/input/run_parameters.hpp"

namespace postprocessor {

struct PostprocessorRun;

// Asks every question in turn and fills run.params; an empty answer where
// the dialogue allows no empty answer ends the run with "break".
void runDialogue(PostprocessorRun& run);

// The date 20YY-MM-DD from the first six characters of `text`, read as
// three two-character numbers; 0 when they form no valid date.
double dateFromYYMMDD(std::string_view text);

// Expands a list such as "6,4,29-60" (blanks ignored) into list[1..]; the
// result is the number of entries, or -1 when an item is not a number or a
// rising range within 1..120. Entries 79 and 80 are left for the caller to
// refuse. More than 120 items or entries is a run-time error.
int expandVariableList(std::string_view answer, int (&list)[kVariableCount + 1]);

}  // namespace postprocessor
