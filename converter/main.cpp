// KEVORCV: converts the raw files of a KEVOR air-ion spectrometer into one
// daily table.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "converter/run.hpp"
#include "platform/console.hpp"
#include "platform/interrupts.hpp"
#include "platform/run_error.hpp"

int main(int argc, char** argv) {
    platform::installInterruptHandlers();
    try {
        std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        platform::Console console = platform::Console::standard();
        return converter::runConverter(console, args);
    } catch (const std::exception& e) {
        return platform::reportRunFailure("KEVORCV", &e, std::cout, std::cerr);
    } catch (...) {
        return platform::reportRunFailure("KEVORCV", nullptr, std::cout, std::cerr);
    }
}
