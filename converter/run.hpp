// One conversion run: the dragged item in, one daily table out.
#pragma once

#include <string>
#include <vector>

#include "converter/input/cycles.hpp"
#include "converter/input/fraction_tables.hpp"
#include "converter/input/raw_store.hpp"
#include "converter/input/settings.hpp"
#include "converter/tables/line_work.hpp"
#include "platform/console.hpp"

namespace converter {

// Everything of one run, owned here and passed by reference to the
// operations that need it.
struct ConverterRun {
    explicit ConverterRun(platform::Console& c) : console(c) {}

    platform::Console& console;
    std::string launchPath;
    RawFiles files;
    RawStore store;
    ConverterSettings settings;
    CycleTable cycles;
    FractionTables fractions;
    LineWork work;

    double cycleDays = 0;
    int fractionsPerDecade = 8;
    double mobilityBase = 0;
    double fieldDivisor[87] = {};
    int columnDecimals[78] = {};
    std::string outputName;
    int cyclesLeftOut = 0;
};

// The whole run on the program's arguments (without the program name).
// Returns the exit code: 0 for every end the run foresees; run-time errors
// are thrown to the caller.
int runConverter(platform::Console& console, const std::vector<std::string>& args);

}  // namespace converter
