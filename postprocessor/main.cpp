// KEVORPP: averages, corrects and smooths the daily tables of a KEVOR
// air-ion spectrometer into Normal, Fraction or Diagram tables.
#include "platform/program.hpp"
#include "postprocessor/run.hpp"

int main(int argc, char** argv) {
    return platform::runProgram("KEVORPP", argc, argv, &postprocessor::runPostprocessor);
}
