#include "platform/run_error.hpp"

#include <ostream>

namespace platform {

void failAt(std::string_view file, long long line, std::string_view cause) {
    std::string text(file);
    text += ", line ";
    text += std::to_string(line);
    text += ": ";
    text += cause;
    throw RunError(text);
}

void fail(std::string_view cause) { throw RunError(std::string(cause)); }

int reportRunFailure(std::string_view program, const std::exception* error,
                     std::ostream& out, std::ostream& err) {
    out.flush();
    err << program << ": error: " << (error ? error->what() : "unknown failure") << '\n';
    err.flush();
    return 1;
}

}  // namespace platform
