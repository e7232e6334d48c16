// The C library's fortified open would be an inline definition of its own.
#undef _FORTIFY_SOURCE
#include "system_faults.hpp"

#ifndef _WIN32

#include <cerrno>
#include <cstdarg>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace system_faults {

std::atomic<int> folderSyncError{0};
std::atomic<bool> refuseUnnamedFiles{false};

}  // namespace system_faults

namespace {

int openThroughSystem(const char* path, int flags, va_list modeArgument) {
    mode_t mode = 0;
#ifdef O_TMPFILE
    const bool takesMode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
#else
    const bool takesMode = (flags & O_CREAT) != 0;
#endif
    if (takesMode) mode = static_cast<mode_t>(va_arg(modeArgument, int));
#ifdef O_TMPFILE
    if ((flags & O_TMPFILE) == O_TMPFILE && system_faults::refuseUnnamedFiles.load()) {
        errno = EOPNOTSUPP;
        return -1;
    }
#endif
    return static_cast<int>(syscall(SYS_openat, AT_FDCWD, path, flags, mode));
}

}  // namespace

extern "C" int fsync(int fd) {
    const int error = system_faults::folderSyncError.load();
    struct stat st;
    if (error != 0 && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = error;
        return -1;
    }
    return static_cast<int>(syscall(SYS_fsync, fd));
}

extern "C" int open(const char* path, int flags, ...) {
    va_list mode;
    va_start(mode, flags);
    const int fd = openThroughSystem(path, flags, mode);
    va_end(mode);
    return fd;
}

extern "C" int open64(const char* path, int flags, ...) {
    va_list mode;
    va_start(mode, flags);
    const int fd = openThroughSystem(path, flags, mode);
    va_end(mode);
    return fd;
}

#endif
