// A regular file read from its start in blocks, for a file too large to be
// held whole beside what is made of it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace platform {

class BlockReader {
public:
    BlockReader() = default;
    ~BlockReader() { close(); }
    BlockReader(const BlockReader&) = delete;
    BlockReader& operator=(const BlockReader&) = delete;

    // False when the file can't be opened or is no regular file (a folder,
    // a FIFO, a device), as for readWholeFile.
    bool open(const std::string& path);
    // Up to `room` bytes into `into`; `got` is 0 at the end of the file.
    // False on a read error.
    bool read(char* into, size_t room, size_t& got);
    // Back to the first byte; false when the file can't go there.
    bool rewind();
    void close();

private:
#ifdef _WIN32
    std::FILE* file_ = nullptr;
#else
    int fd_ = -1;
#endif
};

}  // namespace platform
