// KEVORCV: converts the raw files of a KEVOR air-ion spectrometer into one
// daily table.
#include "converter/run.hpp"
#include "platform/program.hpp"

// Its tables: a million raw records of 87 fields and the cycles of them.
int main(int argc, char** argv) {
    return platform::runProgram({"KEVORCV", 420}, argc, argv, &converter::runConverter);
}
