// The daily table: its column-title line and the line writers.
#pragma once

#include <string>

#include "converter/input/fraction_tables.hpp"
#include "converter/input/settings.hpp"

namespace platform {
class OutputFile;
}

namespace converter {

struct ConverterRun;

// Replaces headerLine3 by the column titles of the table kind in force.
void buildColumnTitles(const ConverterSettings& settings, const FractionTables& tables,
                       std::string& headerLine3);

// Each appends the line of cycle 1..cycleCount to the open table, or
// returns false when the cycle is left out (no finite values, or p <= 0;
// in standard data also a value beyond the range of single floats, in basic
// data one beyond the signed 32-bit integers).
bool writeStandardLine(ConverterRun& run, int cycle, platform::OutputFile& out);
bool writeBasicLine(ConverterRun& run, int cycle, platform::OutputFile& out);

}  // namespace converter
