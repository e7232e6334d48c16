#include "platform/files.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>
#include <stdexcept>

#include "platform/interrupts.hpp"
#include "platform/run_error.hpp"
#include "platform/text.hpp"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
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

constexpr unsigned long long kNoLimit = ~0ULL;

// Sizes the buffer for a whole file; a file larger than the memory the
// program can have is a run-time error that names it.
void sizeBufferFor(std::string& buffer, unsigned long long size, const std::string& path) {
    try {
        if (size > buffer.max_size()) throw std::length_error("file size");
        buffer.resize(static_cast<size_t>(size));
    } catch (const std::exception&) {
        fail(shortenedPath(path) + " is too large to be read");
    }
}

}  // namespace

#ifndef _WIN32

ReadResult readFileUpTo(const std::string& path, std::string& buffer, unsigned long long maxBytes,
                        unsigned long long& size) {
    buffer.clear();
    size = 0;
    // Only a regular file is read: a folder, a FIFO or a device found by
    // name is a file that can't be opened. The type is asked before the
    // file is opened (opening a FIFO would wait for a writer, a device may
    // act on being opened), and again of what was opened.
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return ReadResult::unreadable;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return ReadResult::unreadable;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return ReadResult::unreadable;
    }
    size = st.st_size > 0 ? static_cast<unsigned long long>(st.st_size) : 0;
    if (size > maxBytes) {
        close(fd);
        return ReadResult::tooLarge;
    }
    // Straight into the buffer at the file's size; a file that grows while
    // it is read is followed to its end (or to the limit).
    auto readSome = [fd](char* into, size_t room) {
        ssize_t n;
        while ((n = read(fd, into, room)) < 0 && errno == EINTR) {
        }
        return n;
    };
    size_t got = 0;
    ssize_t n = 1;
    try {
        sizeBufferFor(buffer, size, path);
        const size_t want = buffer.size();
        while (got < want && (n = readSome(buffer.data() + got, want - got)) > 0) got += static_cast<size_t>(n);
        buffer.resize(got);
        char chunk[1 << 16];
        while (n > 0 && buffer.size() <= maxBytes && (n = readSome(chunk, sizeof chunk)) > 0)
            buffer.append(chunk, static_cast<size_t>(n));
    } catch (...) {
        close(fd);
        throw;
    }
    close(fd);
    if (n >= 0 && buffer.size() > maxBytes) {
        size = buffer.size();
        buffer.clear();
        return ReadResult::tooLarge;
    }
    if (n < 0) buffer.clear();
    return n >= 0 ? ReadResult::read : ReadResult::unreadable;
}

#else

ReadResult readFileUpTo(const std::string& path, std::string& buffer, unsigned long long maxBytes,
                        unsigned long long& size) {
    buffer.clear();
    size = 0;
    if (path.empty()) return ReadResult::unreadable;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ReadResult::unreadable;
    // Only a file on disk is read: a device (CON, NUL, COM1) or a pipe
    // found by name is a file that can't be opened.
    LARGE_INTEGER length{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &length)) {
        CloseHandle(file);
        return ReadResult::unreadable;
    }
    size = length.QuadPart > 0 ? static_cast<unsigned long long>(length.QuadPart) : 0;
    if (size > maxBytes) {
        CloseHandle(file);
        return ReadResult::tooLarge;
    }
    // Straight into the buffer at the file's size; a file that grows while
    // it is read is followed to its end (or to the limit).
    auto readSome = [file](char* into, size_t room, bool& ok) -> size_t {
        DWORD done = 0;
        const DWORD ask = room > (1u << 30) ? (1u << 30) : static_cast<DWORD>(room);
        ok = ReadFile(file, into, ask, &done, nullptr) != 0;
        return ok ? done : 0;
    };
    bool ok = true;
    try {
        sizeBufferFor(buffer, size, path);
        const size_t want = buffer.size();
        size_t got = 0, n = 1;
        while (ok && got < want && (n = readSome(buffer.data() + got, want - got, ok)) > 0) got += n;
        buffer.resize(got);
        char chunk[1 << 16];
        while (ok && n > 0 && buffer.size() <= maxBytes && (n = readSome(chunk, sizeof chunk, ok)) > 0)
            buffer.append(chunk, n);
    } catch (...) {
        CloseHandle(file);
        throw;
    }
    CloseHandle(file);
    if (ok && buffer.size() > maxBytes) {
        size = buffer.size();
        buffer.clear();
        return ReadResult::tooLarge;
    }
    if (!ok) buffer.clear();
    return ok ? ReadResult::read : ReadResult::unreadable;
}

#endif

bool readWholeFile(const std::string& path, std::string& buffer) {
    unsigned long long size = 0;
    return readFileUpTo(path, buffer, kNoLimit, size) == ReadResult::read;
}

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

namespace {

// ---- the temporary names of output files -----------------------------------

constexpr std::string_view kTempPrefix = "~kevor";
constexpr std::string_view kTempSuffix = ".tmp";

unsigned long ownProcessNumber() {
#ifdef _WIN32
    return static_cast<unsigned long>(GetCurrentProcessId());
#else
    return static_cast<unsigned long>(getpid());
#endif
}

std::string temporaryNameFor(const std::string& finalPath) {
    static std::atomic<unsigned> counter{0};
    std::string name = std::string(kTempPrefix) + std::to_string(ownProcessNumber()) + "-" +
                       std::to_string(counter++) + std::string(kTempSuffix);
    return joinPath(folderPart(finalPath), name);
}

// The process number in a temporary name "~kevor<pid>-<n>.tmp"; 0 for any
// other name.
unsigned long long processOfTemporary(std::string_view name) {
    if (name.size() <= kTempPrefix.size() + kTempSuffix.size() || name.substr(0, kTempPrefix.size()) != kTempPrefix ||
        name.substr(name.size() - kTempSuffix.size()) != kTempSuffix)
        return 0;
    name = name.substr(kTempPrefix.size(), name.size() - kTempPrefix.size() - kTempSuffix.size());
    const size_t dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == name.size() || dash > 10) return 0;
    unsigned long long pid = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (i == dash) continue;
        if (c < '0' || c > '9') return 0;
        if (i < dash) pid = pid * 10 + static_cast<unsigned long long>(c - '0');
    }
    return pid;
}

// True only when the system says no process of that number runs; any doubt
// (no right to ask, a number beyond the system's) counts as running.
bool processIsGone(unsigned long long pid) {
    if (pid == 0 || pid == static_cast<unsigned long long>(ownProcessNumber())) return false;
#ifdef _WIN32
    if (pid > 0xFFFFFFFFull) return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool ended = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
    CloseHandle(process);
    return ended;
#else
    if (pid > 0x7FFFFFFFull) return false;
    return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
#endif
}

// The folders cleaned by this process: each once.
std::mutex cleanedFoldersLock;
std::set<std::string>& cleanedFolders() {
    static std::set<std::string> folders;
    return folders;
}

void removeLeftoversOnce(const std::string& folder) {
    {
        std::lock_guard<std::mutex> lock(cleanedFoldersLock);
        if (!cleanedFolders().insert(folder).second) return;
    }
    removeLeftoverTemporaries(folder);
}

// ---- the file itself ---------------------------------------------------------

// The folder that holds `path`, as a name that opens it.
std::string folderToOpen(const std::string& path) {
    std::string folder(folderPart(path));
    if (folder.empty()) return !path.empty() && isPathSeparator(path[0]) ? std::string(1, path[0]) : ".";
#ifdef _WIN32
    if (folder.back() == ':') folder += '\\';
#endif
    return folder;
}

#ifndef _WIN32

std::string lastError() { return systemErrorText(errno); }

#ifdef O_TMPFILE
// An unnamed file is given its name through /proc/self/fd, so it is used
// only where that folder is there to do it.
bool procFdAvailable() {
    static const bool available = access("/proc/self/fd", X_OK) == 0;
    return available;
}
#endif

// An unnamed file in `folder`; -1 where the system or the file system
// refuses it.
int openUnnamed(const std::string& folder) {
#ifdef O_TMPFILE
    if (!procFdAvailable()) return -1;
    int fd;
    while ((fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666)) < 0 && errno == EINTR) {
    }
    return fd;
#else
    (void)folder;
    return -1;
#endif
}

// The unnamed file `fd` under the name `path`; a file left there by a dead
// run of the same process number is replaced.
bool linkUnnamed(int fd, const std::string& path) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
        if (errno != EEXIST || unlink(path.c_str()) != 0) return false;
    }
    return false;
}

#else

std::string lastError() { return windowsErrorText(GetLastError()); }

#endif

}  // namespace

int removeLeftoverTemporaries(const std::string& folder) {
    int removed = 0;
    const std::string pattern = std::string(kTempPrefix) + "*" + std::string(kTempSuffix);
    for (const DirEntry& entry : findEntries(folder, pattern)) {
        if (entry.isFolder || entry.isVolumeLabel || !processIsGone(processOfTemporary(entry.name))) continue;
        const std::string path = joinPath(folder, entry.name);
#ifdef _WIN32
        if (DeleteFileA(path.c_str())) ++removed;
#else
        if (unlink(path.c_str()) == 0) ++removed;
#endif
    }
    return removed;
}

OutputFile::OutputFile(std::string finalPath) : finalPath_(std::move(finalPath)) {
    tempPath_ = temporaryNameFor(finalPath_);
    const std::string folder = folderToOpen(finalPath_);
    removeLeftoversOnce(folder);
#ifdef _WIN32
    handle_ = INVALID_HANDLE_VALUE;
#else
    fd_ = openUnnamed(folder);
    unnamed_ = fd_ >= 0;
    if (unnamed_) {
        buffer_.reserve(kFlushSize + 4096);
        return;
    }
#endif
    // Held for the interrupt handler before the file exists, so that no
    // moment is left in which an interrupt would leave it behind.
    heldSlot_ = holdTemporaryFile(tempPath_);
#ifdef _WIN32
    // Opened so that it may be deleted while open: the interrupt handler
    // removes it from another thread.
    HANDLE handle = CreateFileA(tempPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool created = handle != INVALID_HANDLE_VALUE;
    if (created) handle_ = handle;
#else
    while ((fd_ = open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)) < 0 && errno == EINTR) {
    }
    const bool created = fd_ >= 0;
#endif
    if (!created) {
        const std::string cause = lastError();
        releaseTemporaryFile(heldSlot_);
        heldSlot_ = -1;
        fail("cannot create the output file " + shortenedPath(finalPath_) + ": " + cause);
    }
    buffer_.reserve(kFlushSize + 4096);
}

OutputFile::~OutputFile() {
#ifdef _WIN32
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    if (!committed_ && !unnamed_) DeleteFileA(tempPath_.c_str());
#else
    if (fd_ >= 0) close(fd_);
    // An unnamed file goes with its descriptor; a name given to it in a
    // commit that failed is removed there.
    if (!committed_ && !unnamed_) unlink(tempPath_.c_str());
#endif
    releaseTemporaryFile(heldSlot_);
}

void OutputFile::failWith(std::string_view what, const std::string& cause) {
    fail(std::string(what) + " " + shortenedPath(finalPath_) + ": " + cause);
}

void OutputFile::failUnconfirmed(const std::string& cause) {
    fail("the output file " + shortenedPath(finalPath_) +
         " was written under its name, but the system could not confirm that it is on the disk: " + cause);
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
    const char* at = buffer_.data();
    size_t left = buffer_.size();
    while (left > 0) {
#ifdef _WIN32
        DWORD done = 0;
        const DWORD ask = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        if (!WriteFile(handle_, at, ask, &done, nullptr)) failWith("cannot write the output file", lastError());
        if (done == 0) failWith("cannot write the output file", windowsErrorText(ERROR_WRITE_FAULT));
#else
        const ssize_t done = ::write(fd_, at, left);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) failWith("cannot write the output file", lastError());
        if (done == 0) failWith("cannot write the output file", systemErrorText(EIO));
#endif
        at += done;
        left -= static_cast<size_t>(done);
    }
    buffer_.clear();
}

void OutputFile::commit() {
    if (committed_) return;
    // The whole file is on the disk before it takes its name: a power cut
    // at any moment leaves the earlier file or the complete new one.
    flushBuffer();
#ifdef _WIN32
    if (!FlushFileBuffers(handle_)) failWith("cannot write the output file", lastError());
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(handle)) failWith("cannot write the output file", lastError());
    if (!MoveFileExA(tempPath_.c_str(), finalPath_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const std::string cause = lastError();
        if (fileExists(finalPath_) && !fileExists(tempPath_)) {
            // Moved, but the system did not report the move written through.
            committed_ = true;
            failUnconfirmed(cause);
        }
        failWith("cannot save the output file", cause);
    }
#else
    if (fsync(fd_) != 0) failWith("cannot write the output file", lastError());
    if (unnamed_) {
        // The complete file gets a name for the rename; an interrupt from
        // now until the rename removes that name.
        heldSlot_ = holdTemporaryFile(tempPath_);
        if (!linkUnnamed(fd_, tempPath_)) {
            const std::string cause = lastError();
            releaseTemporaryFile(heldSlot_);
            heldSlot_ = -1;
            failWith("cannot save the output file", cause);
        }
        unnamed_ = false;  // from here on the name is the file's, to remove on failure
    }
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) failWith("cannot write the output file", lastError());
    if (std::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) failWith("cannot save the output file", lastError());
    committed_ = true;
    releaseTemporaryFile(heldSlot_);
    heldSlot_ = -1;
    // The new name is an entry of the folder: the folder is synced too.
    const int folder = open(folderToOpen(finalPath_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;  // a folder we may write but not read: nothing more we can do
    const bool synced = fsync(folder) == 0 || errno == EINVAL || errno == ENOTSUP || errno == EOPNOTSUPP;
    const std::string cause = synced ? std::string() : lastError();
    close(folder);
    if (!synced) failUnconfirmed(cause);
    return;
#endif
    committed_ = true;
    releaseTemporaryFile(heldSlot_);
    heldSlot_ = -1;
}

}  // namespace platform
