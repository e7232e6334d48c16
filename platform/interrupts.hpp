// Interrupts of a run from outside: Ctrl+C, SIGTERM and SIGHUP (on Windows
// the console's control events). The handler removes the temporary output
// files still open, gives the terminal back its colours and title, and ends
// the process as the interrupt itself would have (on POSIX with the
// signal's own status, raised again under its default disposition).
//
// The handler receives nothing but the signal number, so what it needs is
// held in one small fixed table inside the platform: the one piece of state
// in the programs that is not owned by a run object. Output files and the
// console enter and leave it themselves.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Installs the handlers; called once at the start of main. An interrupt
// that the process was started with ignored (nohup, a background job)
// stays ignored.
void installInterruptHandlers();

// A temporary file for the handler to remove. Returns the slot to release,
// or -1 when the table has no room for it (the path is too long to be a
// file name of this system, or too many files are open).
int holdTemporaryFile(const std::string& path);
void releaseTemporaryFile(int slot);

#ifdef _WIN32
// The console's colours and title before the run changed them, for the
// handler to set again (an empty title: the title was not changed).
void holdConsoleRestore(unsigned short attribute, bool attributeChanged, std::string_view title);
#else
// The bytes that give a terminal back its colours and title, for the
// handler to write to standard output.
void holdConsoleRestore(std::string_view sequence);
#endif
void releaseConsoleRestore();

}  // namespace platform
