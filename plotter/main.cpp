// KEVORPLOT: draws the Diagram tables of KEVORPP, the size distributions of
// air ions through a day, as pictures beside them.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "platform/console.hpp"
#include "platform/run_error.hpp"
#include "plotter/run.hpp"

int main(int argc, char** argv) {
    try {
        std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        platform::Console console = platform::Console::standard();
        return plotter::runPlotter(console, args);
    } catch (const std::exception& e) {
        return platform::reportRunFailure("KEVORPLOT", &e, std::cout, std::cerr);
    } catch (...) {
        return platform::reportRunFailure("KEVORPLOT", nullptr, std::cout, std::cerr);
    }
}
