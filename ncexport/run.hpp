// KEVORNC's run: the dragged table or folder of tables, a netCDF dataset
// beside each table, and the console lines that tell what was written and
// what was not.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ncexport/table_lines.hpp"
#include "ncexport/table_plan.hpp"
#include "platform/console.hpp"

namespace ncexport {

inline constexpr std::string_view kBanner = " NetCDF datasets KEVORNC";

struct ExportRun {
    ExportRun(platform::Console& console, std::vector<std::string> args);

    platform::Console& console;
    std::vector<std::string> args;
    TableLines lines;  // one block for every table
    std::string head[3];
    std::string firstDataLine;
    TablePlan plan;
    Rows rows;
    int datasetsWritten = 0;
    int tablesNotConverted = 0;
};

// The whole run; 0 at every end it foresees. Other failures (a dataset that
// cannot be written) are run-time errors for the catch-all of main.
int runExport(platform::Console& console, const std::vector<std::string>& args);

// Reads the head lines of a file into run.head; false when it can't be
// read.
bool readHead(ExportRun& run, const std::string& path);

enum class Outcome { written, notATable, notConverted };
// Converts one table of `folder`, with its line on the console.
Outcome convertTable(ExportRun& run, const std::string& folder, const std::string& name);

}  // namespace ncexport
