// What the fuzz targets share: the layout of their inputs, a scratch folder
// emptied for every input, the ends a run may take, and the checks of the
// tables the programs write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "platform/run_error.hpp"

namespace fuzz {

// Inputs made of several texts (raw files, a file and the console answers)
// separate them by this line; the dictionaries know it.
inline constexpr std::string_view kPartSeparator = "\n--8<--\n";

// The first `prefixSize` bytes (missing ones read as 0) and the rest cut
// into at most `maxParts` texts at the separator.
struct Input {
    std::vector<uint8_t> prefix;
    std::vector<std::string_view> parts;
};
Input splitInput(const uint8_t* data, size_t size, size_t prefixSize, size_t maxParts);
// The inverse, for the seeds.
std::string joinInput(const std::vector<uint8_t>& prefix, const std::vector<std::string>& parts);

// The console answers of an input as the user could type them, kept inside
// the scratch folder: no path separator, so no name reaches another folder.
std::string confinedAnswers(std::string_view text);

// Stops the fuzzer on a broken promise: the message on standard error, then
// abort(), so that libFuzzer keeps the input as a reproducer.
[[noreturn]] void finding(std::string_view what);

// A folder of this process below the temporary folder, with a work folder
// "w" inside it. Whatever a run writes, also through "..", stays inside.
// Emptied for every input; removed when the process ends normally.
class Scratch {
public:
    static Scratch& get();
    // Empties the folder, recreates the work folder, and goes back to the
    // current directory the process started in (runs change it).
    void reset();
    const std::string& root() const { return root_; }
    const std::string& work() const { return work_; }  // ends in a separator
    std::string write(std::string_view name, std::string_view content) const;
    // Names of the files in the work folder and below, relative to it.
    std::vector<std::string> files() const;
    ~Scratch();

private:
    Scratch();
    std::string root_, work_, startDirectory_;
};

std::string readFile(const std::string& path);

// Gives a file the modification time 2011-12-20 12:00 local time, the date
// of the revision header "KEVORCV.INI revision 20111220".
void setSettingsFileDate(const std::string& path);
inline constexpr std::string_view kSettingsHeader = "KEVORCV.INI revision 20111220";

// How a run ended: normally, after a foreseen message (platform::RunEnded),
// or through a run-time error (platform::RunError), whose text goes to
// `error`. Any other exception is a finding.
enum class End { finished, foreseen, runError };
template <class Step>
End runAllowed(Step&& step, std::string* error = nullptr) {
    try {
        step();
        return End::finished;
    } catch (const platform::RunEnded&) {
        return End::foreseen;
    } catch (const platform::RunError& e) {
        if (error) *error = e.what();
        return End::runError;
    } catch (const std::exception& e) {
        finding(std::string("exception outside the run-time errors: ") + e.what());
    } catch (...) {
        finding("exception of unknown type");
    }
}

// The lines of a written table: every line ends with CR LF; anything else
// is a finding. (Header lines copied from the input may hold a lone CR.)
std::vector<std::string_view> tableLines(std::string_view text, std::string_view what);
std::vector<std::string_view> splitTabs(std::string_view line);

// A number as the tables write it: an optional "-", digits, and with
// `decimals` above 0 a point and exactly that many digits.
bool isFixedNumber(std::string_view text, int decimals);
// Checks a field, naming table, line and column in the finding.
void expectFixed(std::string_view field, int decimals, std::string_view what, size_t line, size_t column);

}  // namespace fuzz
