#include "platform/program.hpp"

#include <exception>
#include <iostream>
#include <new>

#include "platform/interrupts.hpp"
#include "platform/run_error.hpp"

namespace platform {

int reportOutOfMemory(ProgramName program, std::ostream& out, std::ostream& err) {
    // Written piece by piece: there may be no memory for building a line.
    out.flush();
    err << program.name << ": error: not enough memory for the run's tables";
    if (program.tablesMegabytes > 0) err << " (about " << program.tablesMegabytes << " MB are needed)";
    err << '\n';
    err.flush();
    return 1;
}

int runProgram(ProgramName program, int argc, char** argv, ProgramRun run) {
    installInterruptHandlers();
    try {
        std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        Console console = Console::standard();
        return run(console, args);
    } catch (const std::bad_alloc&) {
        return reportOutOfMemory(program, std::cout, std::cerr);
    } catch (const std::exception& e) {
        return reportRunFailure(program.name, &e, std::cout, std::cerr);
    } catch (...) {
        return reportRunFailure(program.name, nullptr, std::cout, std::cerr);
    }
}

}  // namespace platform
