// Runs a program as a child process with a given standard input and
// collects what it writes and how it ends.
#pragma once

#include <string>
#include <vector>

namespace e2e {

struct ProcessResult {
    int exitCode = -1;    // the exit code; -1 when the process did not exit normally
    int signal = 0;       // the signal that ended it, if any
    std::string out;      // everything written to standard output
    std::string err;      // everything written to standard error
};

// Runs `program` with `args`, standard input taken from `input`, in the
// folder `workFolder` (the current one when empty), and waits for its end.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input, const std::string& workFolder = "");

// Runs `program` with a pseudo-terminal as its standard input, output and
// error, in `workFolder`: once its output shows `waitFor`, `typed` is typed
// (a line end is "\r", Ctrl+C "\x03"). `out` is everything the terminal
// showed, echo included.
ProcessResult runInTerminal(const std::string& program, const std::vector<std::string>& args,
                            const std::string& workFolder, const std::string& waitFor,
                            const std::string& typed);

}  // namespace e2e
