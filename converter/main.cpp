// KEVORCV: converts the raw files of a KEVOR air-ion spectrometer into one
// daily table.
#include "converter/run.hpp"
#include "platform/program.hpp"

int main(int argc, char** argv) { return platform::runProgram("KEVORCV", argc, argv, &converter::runConverter); }
