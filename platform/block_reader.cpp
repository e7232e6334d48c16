#include "platform/block_reader.hpp"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace platform {

#ifdef _WIN32

bool BlockReader::open(const std::string& path) {
    close();
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) return false;
    // Only a file on disk: a device (CON, NUL, COM1) or a pipe found by
    // name is a file that can't be opened.
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file_)))) != FILE_TYPE_DISK) {
        close();
        return false;
    }
    return true;
}

bool BlockReader::read(char* into, size_t room, size_t& got) {
    got = std::fread(into, 1, room, file_);
    return !std::ferror(file_);
}

bool BlockReader::rewind() {
    std::clearerr(file_);
    return std::fseek(file_, 0, SEEK_SET) == 0;
}

void BlockReader::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

#else

bool BlockReader::open(const std::string& path) {
    close();
    // The type is asked before the file is opened (opening a FIFO would
    // wait for a writer, a device may act on being opened), and again of
    // what was opened.
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return false;
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        close();
        return false;
    }
    return true;
}

bool BlockReader::read(char* into, size_t room, size_t& got) {
    got = 0;
    while (got < room) {
        const ssize_t n = ::read(fd_, into + got, room - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    return true;
}

bool BlockReader::rewind() { return lseek(fd_, 0, SEEK_SET) == 0; }

void BlockReader::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

#endif

}  // namespace platform
