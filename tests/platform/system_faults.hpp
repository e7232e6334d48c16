// Faults of the system, injected into the calls that platform/files.cpp
// makes (Linux only): this test program defines fsync and open itself, so
// the platform's calls reach these definitions first; each passes the call
// on to the system unless its fault is switched on.
#pragma once

#ifndef _WIN32

#include <atomic>

namespace system_faults {

// When not 0: fsync of a folder fails with this errno (after the rename of
// an output file, the folder is synced).
extern std::atomic<int> folderSyncError;
// When true: open with O_TMPFILE fails with EOPNOTSUPP, as on a file
// system that has no unnamed files.
extern std::atomic<bool> refuseUnnamedFiles;

}  // namespace system_faults

#endif
