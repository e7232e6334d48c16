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
    // The working storage of the further threads that make lines; `work`
    // serves the first.
    std::vector<LineWork> moreWork;

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
// are thrown to the caller. The current directory becomes the folder of the
// raw files.
int runConverter(platform::Console& console, const std::vector<std::string>& args);
// The same on a run object, which may already hold its tables (allocated
// once for many runs in one process).
int runConverter(ConverterRun& run, const std::vector<std::string>& args);

// The steps of the run, in the order runConverter calls them. Each that ends
// the run early throws platform::RunEnded after its message.

// Title, the argument check and the choice of the raw files (the current
// directory becomes their folder); ends the run when there is none.
void selectRawFiles(ConverterRun& run, const std::vector<std::string>& args);
// The store and cycle tables at full capacity, untouched; tables the run
// already holds stay.
void allocateRunTables(ConverterRun& run);
// "Launched", sorting, the settings marked not given, all records read, the
// raw header parsed and the sentinels marked.
void readRawInput(ConverterRun& run);
// KEVORCV.INI when it exists as a file, then the questions.
void settleSettings(ConverterRun& run);
// cycleDays, fractionsPerDecade and mobilityBase from the settings.
void setCycleAndFractionValues(ConverterRun& run);
// Cycles, fraction tables, the resolution matrix with the rewritten header
// line 2 when the resolution correction is on, and the column titles.
void buildRunTables(ConverterRun& run);
// The divisors of the raw fields and the decimals of the standard columns.
void fillFieldDivisorAndColumnDecimals(ConverterRun& run);
// The first proposal for the daily table's name, from the first and last
// raw file names, the extension and the output style.
std::string dailyTableName(const RawFiles& files, const ConverterSettings& settings);
// The name of the daily table from the raw file names, and the dialogue
// while a file of that name exists.
void chooseOutputName(ConverterRun& run);
// Header lines and one line per cycle; the file appears only when complete.
void writeDailyTable(ConverterRun& run);

}  // namespace converter
