// KEVORPLOT: draws the Diagram tables of KEVORPP, the size distributions of
// air ions through a day, as pictures beside them.
#include "platform/program.hpp"
#include "plotter/run.hpp"

int main(int argc, char** argv) { return platform::runProgram("KEVORPLOT", argc, argv, &plotter::runPlotter); }
