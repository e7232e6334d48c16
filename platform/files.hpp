// Files and folders as both programs need them: existence, directory search
// by wildcard, the current directory, modification dates, folder creation,
// whole-file reading, and output files that appear only when complete.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datetime.hpp"

namespace platform {

#ifdef _WIN32
inline constexpr char pathSeparator = '\\';
#else
inline constexpr char pathSeparator = '/';
#endif

// True for a separator of this platform (on Windows also '/').
bool isPathSeparator(char c);
// The part after the last separator (the whole path when there is none).
std::string_view fileNamePart(std::string_view path);
// The part before the last separator, without it ("" when there is none).
std::string_view folderPart(std::string_view path);
// folder + separator + name; just name when folder is empty.
std::string joinPath(std::string_view folder, std::string_view name);

bool fileExists(const std::string& path);    // exists and is not a folder
bool folderExists(const std::string& path);  // exists and is a folder

struct DirEntry {
    std::string name;
    bool isFolder = false;
    bool isVolumeLabel = false;  // only ever set on Windows
};

// Wildcard match as the system's directory search does it: letter case is
// ignored, '*' matches any run of characters, '?' one character, and a
// pattern ending in ".*" also matches a name without a dot ("*.*" matches
// every name).
bool wildcardMatch(std::string_view pattern, std::string_view name);

// Entries of `folder` ("" = the current directory) whose names match
// `pattern`, "." and ".." left out, sorted by name (plain comparison by
// character code) on every system, so the order is fixed.
std::vector<DirEntry> findEntries(const std::string& folder, std::string_view pattern);

std::string currentDirectory();
bool setCurrentDirectory(const std::string& path);

// Date and time of the last modification of a file, in local time.
bool fileModificationTime(const std::string& path, DateTime& when);

// Creates a folder together with its missing parents; true when the folder
// exists afterwards.
bool createFolders(const std::string& path);

// Reads a whole file into `buffer`; false when it can't be opened or read,
// or is no regular file (a folder, a FIFO, a device). A file too large for
// memory is a run-time error naming it.
bool readWholeFile(const std::string& path, std::string& buffer);

// As readWholeFile, for files of a known greatest size: a file of more than
// `maxBytes` is not read at all (its size is asked first), and one that grows
// beyond it while it is read is not kept. `size` gets the size the system
// gave for the file.
enum class ReadResult { read, unreadable, tooLarge };
ReadResult readFileUpTo(const std::string& path, std::string& buffer, unsigned long long maxBytes,
                        unsigned long long& size);

// Lines of a text held in memory; accepts LF and CR LF line ends. A last
// line without a line end is a line; a text ending in a line end has no
// empty line after it.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    // The next line without its line end; false at the end of the text.
    bool next(std::string_view& line);
    bool atEnd() const { return pos_ >= text_.size(); }
    // Offset of the first character not yet read, and a jump to an offset
    // (for parsers that read across line ends).
    size_t position() const { return pos_; }
    void setPosition(size_t pos) { pos_ = pos; }
    std::string_view text() const { return text_; }
    // Number of lines returned so far (the number of the last line).
    long long lineNumber() const { return lines_; }

private:
    std::string_view text_;
    size_t pos_ = 0;
    long long lines_ = 0;
};

// An output file that takes its final name only on commit(), replacing a
// file of that name, and that nothing can leave behind half written.
//
// On Linux it is written as an unnamed file in the target folder
// (O_TMPFILE): a kill -9 or a power cut while it is written leaves nothing.
// On commit it is put on the disk, given a temporary name in the folder
// ("~kevor" + process number + "-" + count + ".tmp", a name matching neither
// "_KVA*.*" nor "KVA*.*"; an unnamed file cannot take the place of an
// existing one), renamed to its final name, and the folder is put on the
// disk. Where the file system refuses an unnamed file (and on Windows) the
// file is written under the temporary name from the start; Windows moves it
// into place with write-through.
//
// Before it first writes into a folder, a run removes the temporary files
// that runs of the programs which no longer run left there (a kill -9, a
// power cut); a temporary file of a running process is never touched.
//
// Destroyed without commit, it leaves no file and an existing file of the
// final name untouched; an interrupt (platform/interrupts.hpp) removes a
// named temporary too. Lines end with CR LF on every platform. Failures are
// run-time errors naming the file and giving the system's cause: "cannot
// create", "cannot write" and "cannot save" (the old file of the name stays
// as it was), or, when the folder could not be put on the disk after the
// rename, that the file was written under its name but the system could not
// confirm it is on the disk.
class OutputFile {
public:
    explicit OutputFile(std::string finalPath);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(std::string_view text);
    void writeLine(std::string_view text);  // text + CR LF
    // The write buffer itself, for formatting straight into it; call
    // flushIfFull() after appending.
    std::string& buffer() { return buffer_; }
    void flushIfFull() {
        if (buffer_.size() >= kFlushSize) flushBuffer();
    }
    void commit();
    const std::string& finalPath() const { return finalPath_; }
    // The temporary name: the file's name from the start, or, for an
    // unnamed file, only between commit's link and rename.
    const std::string& temporaryPath() const { return tempPath_; }
    // True when the file is written without a name (O_TMPFILE).
    bool writtenUnnamed() const { return unnamed_; }

private:
    static constexpr size_t kFlushSize = 1 << 20;
    void flushBuffer();
    [[noreturn]] void failWith(std::string_view what, const std::string& cause);
    [[noreturn]] void failUnconfirmed(const std::string& cause);
    std::string finalPath_;
    std::string tempPath_;
#ifdef _WIN32
    void* handle_ = nullptr;  // INVALID_HANDLE_VALUE when closed
#else
    int fd_ = -1;
#endif
    std::string buffer_;
    bool unnamed_ = false;
    bool committed_ = false;
    int heldSlot_ = -1;  // in the interrupt handler's table
};

// Removes the temporary files ("~kevor<pid>-<n>.tmp") in `folder` ("" = the
// current one) whose process no longer runs; what an OutputFile does before
// it first writes into a folder. Returns the number removed.
int removeLeftoverTemporaries(const std::string& folder);

}  // namespace platform
