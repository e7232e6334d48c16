// Run-time errors: every failure that the programs do not answer with a
// message of their own ends the run through the one catch-all in main.
#pragma once

#include <exception>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// A run-time error carrying a cause, and for file input the file and line.
class RunError : public std::runtime_error {
public:
    explicit RunError(const std::string& cause) : std::runtime_error(cause) {}
};

// Throws a RunError naming a file and a line: "<file>, line <n>: <cause>",
// the file as shortenedPath (platform/text.hpp) prints it.
[[noreturn]] void failAt(std::string_view file, long long line, std::string_view cause);
// Throws a RunError with the cause alone.
[[noreturn]] void fail(std::string_view cause);

// The system's own words for a failure, to follow a cause after ": "
// ("No space left on device"): for an errno value (strerror) and, on
// Windows, for a GetLastError() code (FormatMessage, in the system's
// language). Control bytes are escaped as in paths; no line end, no final
// full stop.
std::string systemErrorText(int errnoValue);
#ifdef _WIN32
std::string windowsErrorText(unsigned long code);
#endif

// The catch-all of main: flushes standard output, writes one line
// "<program>: error: <cause>" to standard error and gives exit code 1.
// Control bytes in the cause are written as \xNN (platform/text.hpp), so a
// path that reached it unescaped cannot act on the terminal.
int reportRunFailure(std::string_view program, const std::exception* error,
                     std::ostream& out, std::ostream& err);

}  // namespace platform

namespace platform {

// Thrown to end a run early after its message and wait for Enter have been
// done (a foreseen end: exit code 0). Deliberately not a std::exception.
struct RunEnded {};

}  // namespace platform
