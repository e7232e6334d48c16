// KEVORPP: averages, corrects and smooths the daily tables of a KEVOR
// air-ion spectrometer into Normal, Fraction or Diagram tables.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "platform/console.hpp"
#include "platform/interrupts.hpp"
#include "platform/run_error.hpp"
#include "postprocessor/run.hpp"

int main(int argc, char** argv) {
    platform::installInterruptHandlers();
    try {
        std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        platform::Console console = platform::Console::standard();
        return postprocessor::runPostprocessor(console, args);
    } catch (const std::exception& e) {
        return platform::reportRunFailure("KEVORPP", &e, std::cout, std::cerr);
    } catch (...) {
        return platform::reportRunFailure("KEVORPP", nullptr, std::cout, std::cerr);
    }
}
