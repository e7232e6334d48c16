// KEVORPLOT: draws the Diagram tables of KEVORPP, the size distributions of
// air ions through a day, as pictures beside them.
#include "platform/program.hpp"
#include "plotter/run.hpp"

// Its tables: a month of days and the paths of a picture being drawn.
int main(int argc, char** argv) {
    return platform::runProgram({"KEVORPLOT", 20}, argc, argv, &plotter::runPlotter);
}
