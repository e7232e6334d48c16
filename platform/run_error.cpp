#include "platform/run_error.hpp"

#include <cstring>
#include <ostream>

#include "platform/text.hpp"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace platform {

void failAt(std::string_view file, long long line, std::string_view cause) {
    std::string text = shortenedPath(file);
    text += ", line ";
    text += std::to_string(line);
    text += ": ";
    text += cause;
    throw RunError(text);
}

void fail(std::string_view cause) { throw RunError(std::string(cause)); }

namespace {

// strerror_r comes in two kinds: the GNU one returns the text, the POSIX one
// fills the buffer.
[[maybe_unused]] const char* errorTextOf(int result, const char* buffer) { return result == 0 ? buffer : nullptr; }
[[maybe_unused]] const char* errorTextOf(const char* result, const char*) { return result; }

// Without a line end and a final full stop: the text closes a line.
std::string asCause(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return printablePath(text);
}

}  // namespace

std::string systemErrorText(int errnoValue) {
    char buffer[256] = {};
#ifdef _WIN32
    const char* text = strerror_s(buffer, sizeof buffer, errnoValue) == 0 ? buffer : nullptr;
#else
    const char* text = errorTextOf(strerror_r(errnoValue, buffer, sizeof buffer), buffer);
#endif
    if (!text || !*text) return "error " + std::to_string(errnoValue);
    return asCause(text);
}

#ifdef _WIN32
std::string windowsErrorText(unsigned long code) {
    char buffer[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        buffer, sizeof buffer, nullptr);
    if (length == 0) return "system error " + std::to_string(code);
    return asCause(std::string(buffer, length));
}
#endif

int reportRunFailure(std::string_view program, const std::exception* error,
                     std::ostream& out, std::ostream& err) {
    out.flush();
    err << program << ": error: " << printablePath(error ? error->what() : "unknown failure") << '\n';
    err.flush();
    return 1;
}

}  // namespace platform
