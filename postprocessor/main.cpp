// KEVORPP: averages, corrects and smooths the daily tables of a KEVOR
// air-ion spectrometer into Normal, Fraction or Diagram tables.
#include "platform/program.hpp"
#include "postprocessor/run.hpp"

// Its tables: a year of one-minute lines and the output grid, 78 values each.
int main(int argc, char** argv) {
    return platform::runProgram({"KEVORPP", 350}, argc, argv, &postprocessor::runPostprocessor);
}
