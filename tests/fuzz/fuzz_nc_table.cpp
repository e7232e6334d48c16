// Fuzz target: KEVORNC on a table as a researcher may have edited it in a
// spreadsheet: a daily table of standard or basic data, a Normal or a
// Fraction table, or a file that is none of them.
//
// The input is the file t.txt, dragged onto the program. Whatever it holds,
// the run ends normally, never with a run-time error, with exactly one line
// about the file: its dataset written, or skipped as no table, as damaged,
// or as without a whole date and time. A written dataset is a netCDF file
// of the 64-bit-offset format whose time dimension has one entry for every
// data line of the table, and no temporary file stays.
#include <sstream>

#include "ncexport/run.hpp"
#include "tests/fuzz/fuzz_checks.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

// The data lines of a table: the lines after the three head lines up to
// the last one that is not empty (a line ends at LF, a CR before it is
// not part of it, and a last line needs no line end).
size_t dataLines(std::string_view text) {
    size_t line = 0, lastFilled = 3;
    for (size_t start = 0; start < text.size();) {
        const size_t newline = text.find('\n', start);
        size_t end = newline == std::string_view::npos ? text.size() : newline;
        if (newline != std::string_view::npos && end > start && text[end - 1] == '\r') --end;
        if (++line > 3 && end > start) lastFilled = line;
        start = newline == std::string_view::npos ? text.size() : newline + 1;
    }
    return lastFilled - 3;
}

uint32_t bigEndian(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The head of a classic netCDF file: "CDF", version 2 (64-bit offsets),
// the number of records, the tag of the dimension list (10), the number of
// dimensions, then the first of them: its name's length, the name padded
// to 4 bytes, and its length.
void expectDataset(const std::string& path, size_t lines) {
    const std::string bytes = fuzz::readFile(path);
    if (bytes.size() < 28 || bytes.compare(0, 4, "CDF\x02", 4) != 0 || bigEndian(bytes, 8) != 10 ||
        bigEndian(bytes, 16) != 4 || bytes.compare(20, 4, "time") != 0)
        fuzz::finding(path + " does not begin as a 64-bit-offset netCDF file with the dimension time");
    if (bigEndian(bytes, 24) != lines)
        fuzz::finding(path + ": time has " + std::to_string(bigEndian(bytes, 24)) + " entries for " +
                      std::to_string(lines) + " data lines");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Scratch& scratch = fuzz::Scratch::get();
    scratch.reset();
    const std::string_view table(reinterpret_cast<const char*>(data), size);
    scratch.write("t.txt", table);

    std::istringstream answers;
    std::ostringstream transcript;
    platform::Console console(answers, transcript);
    std::string error;
    const fuzz::End end = fuzz::runAllowed([&] { ncexport::runExport(console, {scratch.work() + "t.txt"}); }, &error);
    if (end == fuzz::End::runError) fuzz::finding("a table gave a run-time error: " + error);

    // The lines that begin so (a damaged cell is quoted in its line).
    const std::string text = transcript.str();
    auto begins = [&](std::string_view line) { return text.find("\n" + std::string(line)) != std::string::npos; };
    const bool written = begins(" written t.txt.nc: ");
    const int lines = written + begins(" skipped t.txt: not a daily") + begins(" damaged table t.txt, line ") +
                      begins(" no complete date and time in t.txt ");
    if (lines != 1) fuzz::finding("not one line about the table: " + text.substr(0, 400));
    if (written) expectDataset(scratch.work() + "t.txt.nc", dataLines(table));
    fuzz::expectNoTemporaryFile();
    return 0;
}
