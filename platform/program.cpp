#include "platform/program.hpp"

#include <exception>
#include <iostream>

#include "platform/interrupts.hpp"
#include "platform/run_error.hpp"

namespace platform {

int runProgram(std::string_view name, int argc, char** argv, ProgramRun run) {
    installInterruptHandlers();
    try {
        std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        Console console = Console::standard();
        return run(console, args);
    } catch (const std::exception& e) {
        return reportRunFailure(name, &e, std::cout, std::cerr);
    } catch (...) {
        return reportRunFailure(name, nullptr, std::cout, std::cerr);
    }
}

}  // namespace platform
