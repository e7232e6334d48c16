// The daily table: its column-title line and the line writers.
#pragma once

#include <string>

#include "converter/input/fraction_tables.hpp"
#include "converter/input/settings.hpp"

namespace converter {

struct ConverterRun;
struct LineWork;

// Replaces headerLine3 by the column titles of the table kind in force.
void buildColumnTitles(const ConverterSettings& settings, const FractionTables& tables,
                       std::string& headerLine3);

// Each appends the line of cycle 1..cycleCount to `text`, working in `w`,
// or returns false when the cycle is left out (no finite values, or p <= 0;
// in standard data also a value beyond the range of single floats, in basic
// data one beyond the signed 32-bit integers). The run's tables are only
// read, so lines of different cycles may be made side by side, each with
// a LineWork of its own.
bool appendStandardLine(const ConverterRun& run, LineWork& w, int cycle, std::string& text);
bool appendBasicLine(const ConverterRun& run, LineWork& w, int cycle, std::string& text);

}  // namespace converter
