// KEVORNC: writes the daily, Normal and Fraction tables of the KEVOR
// programs as self-describing netCDF datasets beside them.
#include "ncexport/run.hpp"
#include "platform/program.hpp"

int main(int argc, char** argv) { return platform::runProgram({"KEVORNC", 0}, argc, argv, &ncexport::runExport); }
