#include "converter/tables/daily_table.hpp"

#include "platform/run_error.hpp"

namespace converter {

void buildColumnTitles(const ConverterSettings&, const FractionTables&, std::string&) {
    platform::fail("column titles are not built yet");
}

bool writeStandardLine(ConverterRun&, int, platform::OutputFile&) {
    platform::fail("standard data are not built yet");
}

bool writeBasicLine(ConverterRun&, int, platform::OutputFile&) {
    platform::fail("basic data are not built yet");
}

}  // namespace converter
