#include "platform/interrupts.hpp"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace platform {

namespace {

// What the handler works from. Only lock-free atomics and plain bytes, so
// that a POSIX signal handler may read it, and on Windows the handler's own
// thread: an entry's bytes are written before its flag is raised.
struct InterruptTable {
    static constexpr int kFiles = 4;            // output files open at once (the programs use one)
    static constexpr size_t kPathRoom = 4096;   // the longest path either system opens, with its NUL
    std::atomic<bool> fileHeld[kFiles];
    char filePath[kFiles][kPathRoom];
    std::atomic<bool> restoreHeld;
#ifdef _WIN32
    unsigned short attribute;
    bool attributeChanged;
    char title[1024];
#else
    size_t restoreLength;
    char restore[64];
#endif
};
static_assert(std::atomic<bool>::is_always_lock_free);

// The one table of the process (see the header): zero at start, no
// constructor to run.
constinit InterruptTable table{};

#ifdef _WIN32

BOOL WINAPI onConsoleEvent(DWORD) {
    for (int i = 0; i < InterruptTable::kFiles; ++i)
        if (table.fileHeld[i].load(std::memory_order_acquire)) DeleteFileA(table.filePath[i]);
    if (table.restoreHeld.load(std::memory_order_acquire)) {
        if (table.attributeChanged) SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), table.attribute);
        if (table.title[0] != '\0') SetConsoleTitleA(table.title);
    }
    return FALSE;  // the system's own handler ends the process
}

#else

void onInterrupt(int signalNumber) {
    // Async-signal-safe calls only: unlink, write, signal, raise.
    const int savedErrno = errno;
    for (int i = 0; i < InterruptTable::kFiles; ++i)
        if (table.fileHeld[i].load(std::memory_order_acquire)) unlink(table.filePath[i]);
    if (table.restoreHeld.load(std::memory_order_acquire)) {
        const char* at = table.restore;
        size_t left = table.restoreLength;
        while (left > 0) {
            ssize_t done = write(STDOUT_FILENO, at, left);
            if (done <= 0) break;
            at += done;
            left -= static_cast<size_t>(done);
        }
    }
    // Blocked until the handler returns, the signal then ends the process
    // with its own status.
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
    errno = savedErrno;
}

#endif

}  // namespace

void installInterruptHandlers() {
#ifdef _WIN32
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    const int signals[] = {SIGINT, SIGTERM, SIGHUP};
    for (int s : signals) sigaddset(&action.sa_mask, s);  // one handler run at a time
    for (int s : signals) {
        struct sigaction before {};
        if (sigaction(s, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(s, &action, nullptr);
    }
#endif
}

int holdTemporaryFile(const std::string& path) {
    if (path.size() >= InterruptTable::kPathRoom) return -1;
    for (int i = 0; i < InterruptTable::kFiles; ++i) {
        if (table.fileHeld[i].load(std::memory_order_relaxed)) continue;
        std::memcpy(table.filePath[i], path.c_str(), path.size() + 1);
        table.fileHeld[i].store(true, std::memory_order_release);
        return i;
    }
    return -1;
}

void releaseTemporaryFile(int slot) {
    if (slot >= 0 && slot < InterruptTable::kFiles) table.fileHeld[slot].store(false, std::memory_order_release);
}

#ifdef _WIN32

void holdConsoleRestore(unsigned short attribute, bool attributeChanged, std::string_view title) {
    table.restoreHeld.store(false, std::memory_order_release);
    table.attribute = attribute;
    table.attributeChanged = attributeChanged;
    size_t length = std::min(title.size(), sizeof table.title - 1);
    std::memcpy(table.title, title.data(), length);
    table.title[length] = '\0';
    table.restoreHeld.store(true, std::memory_order_release);
}

#else

void holdConsoleRestore(std::string_view sequence) {
    table.restoreHeld.store(false, std::memory_order_release);
    size_t length = std::min(sequence.size(), sizeof table.restore);
    std::memcpy(table.restore, sequence.data(), length);
    table.restoreLength = length;
    table.restoreHeld.store(true, std::memory_order_release);
}

#endif

void releaseConsoleRestore() { table.restoreHeld.store(false, std::memory_order_release); }

}  // namespace platform
