#include "platform/files.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/interrupts.hpp"
#include "platform/run_error.hpp"
#include "platform/text.hpp"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace platform {

bool isPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

static size_t lastSeparator(std::string_view path) {
    for (size_t i = path.size(); i > 0; --i)
        if (isPathSeparator(path[i - 1])) return i - 1;
    return std::string_view::npos;
}

std::string_view fileNamePart(std::string_view path) {
    size_t at = lastSeparator(path);
    return at == std::string_view::npos ? path : path.substr(at + 1);
}

std::string_view folderPart(std::string_view path) {
    size_t at = lastSeparator(path);
    return at == std::string_view::npos ? std::string_view() : path.substr(0, at);
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && !isPathSeparator(path.back())) path += pathSeparator;
    path += name;
    return path;
}

static bool matchFrom(std::string_view p, std::string_view n) {
    // Iterative match with backtracking to the last '*'.
    size_t pi = 0, ni = 0, starP = std::string_view::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && p[pi] == '*') {
            starP = pi++;
            starN = ni;
        } else if (pi < p.size() && (p[pi] == '?' || toUpperAscii(p[pi]) == toUpperAscii(n[ni]))) {
            ++pi;
            ++ni;
        } else if (starP != std::string_view::npos) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}

bool wildcardMatch(std::string_view pattern, std::string_view name) {
    if (matchFrom(pattern, name)) return true;
    // "name.*" also takes names without any dot (as the system's search does).
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
        name.find('.') == std::string_view::npos)
        return matchFrom(pattern.substr(0, pattern.size() - 2), name);
    return false;
}

#ifndef _WIN32

bool fileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool folderExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

static std::vector<DirEntry> listEntries(const std::string& folder, std::string_view pattern) {
    std::vector<DirEntry> entries;
    std::string dirPath = folder.empty() ? std::string(".") : folder;
    DIR* dir = opendir(dirPath.c_str());
    if (!dir) return entries;
    while (dirent* e = readdir(dir)) {
        std::string_view name(e->d_name);
        if (name == "." || name == "..") continue;
        if (!wildcardMatch(pattern, name)) continue;
        DirEntry entry;
        entry.name = std::string(name);
        entry.isFolder = folderExists(joinPath(dirPath, name));
        entries.push_back(std::move(entry));
    }
    closedir(dir);
    return entries;
}

std::string currentDirectory() {
    std::string path(4096, '\0');
    while (getcwd(path.data(), path.size()) == nullptr) {
        if (errno != ERANGE) fail("cannot read the current directory");
        path.resize(path.size() * 2);
    }
    path.resize(std::strlen(path.c_str()));
    return path;
}

bool setCurrentDirectory(const std::string& path) { return chdir(path.c_str()) == 0; }

bool fileModificationTime(const std::string& path, DateTime& when) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return false;
    std::time_t t = st.st_mtime;
    std::tm local{};
    if (!localtime_r(&t, &local)) return false;
    when = encodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           encodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), 0);
    return true;
}

static bool makeFolder(const std::string& path) {
    return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

#else

// Windows, on the ANSI ("A") calls of the system: paths are 8-bit text in the
// ANSI code page, as the program receives its arguments.

static DWORD attributesOf(const std::string& path) {
    return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
}

bool fileExists(const std::string& path) {
    DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool folderExists(const std::string& path) {
    DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The attribute bit that marked a volume label in a directory listing.
constexpr DWORD kVolumeLabelAttribute = 0x00000008;

static std::vector<DirEntry> listEntries(const std::string& folder, std::string_view pattern) {
    // The system does the matching: its wildcard rules are the ones the
    // users know from their own file dialogs. It also matches the generated
    // short (8.3) names, where a name like "~KVA110211.TXT" or
    // "+KVA110211.TXT" may become "_KVA11~1.TXT" and pass for a raw file;
    // such an entry is dropped unless its own name matches too.
    std::vector<DirEntry> entries;
    std::string search = joinPath(folder, pattern);
    WIN32_FIND_DATAA found;
    HANDLE handle = FindFirstFileA(search.c_str(), &found);
    if (handle == INVALID_HANDLE_VALUE) return entries;
    do {
        std::string_view name(found.cFileName);
        if (name == "." || name == "..") continue;
        if (!wildcardMatch(pattern, name)) continue;
        DirEntry entry;
        entry.name = std::string(name);
        entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.isVolumeLabel = (found.dwFileAttributes & kVolumeLabelAttribute) != 0;
        entries.push_back(std::move(entry));
    } while (FindNextFileA(handle, &found));
    FindClose(handle);
    return entries;
}

std::string currentDirectory() {
    std::string path;
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    while (needed > 0) {
        path.resize(needed);
        DWORD got = GetCurrentDirectoryA(needed, path.data());
        if (got < needed) {  // fitted: got is the length without the NUL
            path.resize(got);
            return path;
        }
        needed = got;  // the folder changed in between and grew
    }
    fail("cannot read the current directory");
}

bool setCurrentDirectory(const std::string& path) {
    return !path.empty() && SetCurrentDirectoryA(path.c_str()) != 0;
}

bool fileModificationTime(const std::string& path, DateTime& when) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    // Local time with the daylight-saving rule in force at that date (the
    // date Explorer shows), not with today's.
    SYSTEMTIME universal, local;
    if (!FileTimeToSystemTime(&data.ftLastWriteTime, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return false;
    when = encodeDate(local.wYear, local.wMonth, local.wDay) +
           encodeTime(local.wHour, local.wMinute, local.wSecond, 0);
    return true;
}

static bool makeFolder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

#endif

std::vector<DirEntry> findEntries(const std::string& folder, std::string_view pattern) {
    // Every system lists in an order of its own (NTFS ignoring letter case,
    // FAT in the order of creation, Linux in none at all): one fixed order
    // makes the programs behave alike everywhere.
    std::vector<DirEntry> entries = listEntries(folder, pattern);
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return entries;
}

bool createFolders(const std::string& path) {
    if (path.empty()) return false;
    if (folderExists(path)) return true;
    std::string_view parent = folderPart(path);
    if (!parent.empty() && !folderExists(std::string(parent)) &&
        !createFolders(std::string(parent)))
        return false;
    return makeFolder(path) && folderExists(path);
}

namespace {

// Sizes the buffer for a whole file; a file larger than the memory the
// program can have is a run-time error that names it.
void sizeBufferFor(std::string& buffer, size_t size, const std::string& path) {
    try {
        buffer.resize(size);
    } catch (const std::exception&) {
        fail(inputExcerpt(path, kPathExcerptChars) + " is too large to be read");
    }
}

}  // namespace

#ifndef _WIN32

bool readWholeFile(const std::string& path, std::string& buffer) {
    buffer.clear();
    // Only a regular file is read: a folder, a FIFO or a device found by
    // name is a file that can't be opened. The type is asked before the
    // file is opened (opening a FIFO would wait for a writer, a device may
    // act on being opened), and again of what was opened.
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    // Straight into the buffer at the file's size; a file that grows while
    // it is read is followed to its end.
    auto readSome = [fd](char* into, size_t room) {
        ssize_t n;
        while ((n = read(fd, into, room)) < 0 && errno == EINTR) {
        }
        return n;
    };
    const size_t size = st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
    size_t got = 0;
    ssize_t n = 1;
    try {
        sizeBufferFor(buffer, size, path);
        while (got < size && (n = readSome(buffer.data() + got, size - got)) > 0) got += static_cast<size_t>(n);
        buffer.resize(got);
        char chunk[1 << 16];
        while (n > 0 && (n = readSome(chunk, sizeof chunk)) > 0) buffer.append(chunk, static_cast<size_t>(n));
    } catch (...) {
        close(fd);
        throw;
    }
    close(fd);
    if (n < 0) buffer.clear();
    return n >= 0;
}

#else

bool readWholeFile(const std::string& path, std::string& buffer) {
    buffer.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    // Only a file on disk is read: a device (CON, NUL, COM1) or a pipe
    // found by name is a file that can't be opened.
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)))) != FILE_TYPE_DISK) {
        std::fclose(f);
        return false;
    }
    // Straight into the buffer at the file's size; a file that grows while
    // it is read is followed to its end.
    size_t size = 0;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long end = std::ftell(f);
        if (end > 0) size = static_cast<size_t>(end);
    }
    std::rewind(f);
    try {
        sizeBufferFor(buffer, size, path);
    } catch (...) {
        std::fclose(f);
        throw;
    }
    size_t got = size > 0 ? std::fread(buffer.data(), 1, size, f) : 0;
    buffer.resize(got);
    if (got == size) {
        char chunk[1 << 16];
        size_t more;
        while ((more = std::fread(chunk, 1, sizeof chunk, f)) > 0) buffer.append(chunk, more);
    }
    bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok) buffer.clear();
    return ok;
}

#endif

bool LineReader::next(std::string_view& line) {
    if (pos_ >= text_.size()) {
        line = {};
        return false;
    }
    size_t end = text_.find('\n', pos_);
    size_t stop = end == std::string_view::npos ? text_.size() : end;
    size_t lineEnd = stop;
    if (lineEnd > pos_ && end != std::string_view::npos && text_[lineEnd - 1] == '\r') --lineEnd;
    line = text_.substr(pos_, lineEnd - pos_);
    pos_ = end == std::string_view::npos ? text_.size() : end + 1;
    ++lines_;
    return true;
}

static std::string temporaryNameFor(const std::string& finalPath) {
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    long pid = _getpid();
#else
    long pid = getpid();
#endif
    std::string name = "~kevor" + std::to_string(pid) + "-" + std::to_string(counter++) + ".tmp";
    return joinPath(folderPart(finalPath), name);
}

namespace {

std::string shownPath(const std::string& path) { return inputExcerpt(path, kPathExcerptChars); }

// The temporary file, created empty (an old one of that name truncated).
// On Windows it is opened so that it may be deleted while open: the
// interrupt handler removes it from another thread.
std::FILE* createTemporary(const std::string& path) {
#ifdef _WIN32
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) _close(fd);
    return file;
#else
    return std::fopen(path.c_str(), "wb");
#endif
}

// Everything written so far on the disk itself, not only in the system's
// cache.
bool syncToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

// The temporary file takes the final name, replacing a file of that name;
// the move itself reaches the disk before this returns.
bool moveIntoPlace(const std::string& from, const std::string& to) {
#ifdef _WIN32
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    if (std::rename(from.c_str(), to.c_str()) != 0) return false;
    // The new name is an entry of the folder: the folder is synced too.
    std::string folder(folderPart(to));
    if (folder.empty()) folder = !to.empty() && isPathSeparator(to[0]) ? "/" : ".";
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return true;  // a folder we may write but not read: nothing more we can do
    bool synced = fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP || errno == EROFS;
    close(fd);
    return synced;
#endif
}

}  // namespace

OutputFile::OutputFile(std::string finalPath) : finalPath_(std::move(finalPath)) {
    tempPath_ = temporaryNameFor(finalPath_);
    // Held for the interrupt handler before the file exists, so that no
    // moment is left in which an interrupt would leave it behind.
    heldSlot_ = holdTemporaryFile(tempPath_);
    file_ = createTemporary(tempPath_);
    if (!file_) {
        releaseTemporaryFile(heldSlot_);
        fail("cannot create the output file " + shownPath(finalPath_));
    }
    buffer_.reserve(kFlushSize + 4096);
}

OutputFile::~OutputFile() {
    if (file_) std::fclose(file_);
    if (!committed_) std::remove(tempPath_.c_str());
    releaseTemporaryFile(heldSlot_);
}

void OutputFile::write(std::string_view text) {
    buffer_.append(text);
    flushIfFull();
}

void OutputFile::writeLine(std::string_view text) {
    buffer_.append(text);
    buffer_.append("\r\n");
    flushIfFull();
}

void OutputFile::flushBuffer() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
        fail("cannot write the output file " + shownPath(finalPath_));
    buffer_.clear();
}

void OutputFile::commit() {
    if (committed_) return;
    // The whole file is on the disk before it takes its name: a power cut
    // at any moment leaves the earlier file or the complete new one.
    flushBuffer();
    bool synced = syncToDisk(file_);
    int closed = std::fclose(file_);
    file_ = nullptr;
    if (!synced || closed != 0) fail("cannot write the output file " + shownPath(finalPath_));
    if (!moveIntoPlace(tempPath_, finalPath_)) {
        // The temporary file may already carry the final name; removing
        // the temporary name then removes nothing.
        fail("cannot save the output file " + shownPath(finalPath_));
    }
    committed_ = true;
    releaseTemporaryFile(heldSlot_);
    heldSlot_ = -1;
}

}  // namespace platform
