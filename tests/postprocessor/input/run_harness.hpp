// A postprocessing run driven from strings: the answers come from one string,
// the console output is collected in another, and the data lives in a
// temporary folder made for the test.
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/console.hpp"
#include "platform/files.hpp"
#include "platform/run_error.hpp"
#include "postprocessor/run.hpp"
#include "tests/postprocessor/input/daily_table_maker.hpp"

namespace kevor_test {

inline const std::string kSeparator(1, platform::pathSeparator);

// A fresh folder below the system's temporary folder, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        std::random_device seed;
        for (;;) {
            path_ = (std::filesystem::temp_directory_path() / ("kevorpp-" + std::to_string(seed()))).string();
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string folder() const { return path_ + kSeparator; }  // as a work folder
    std::string file(const std::string& name) const { return folder() + name; }

    std::string write(const std::string& name, const std::string& content) const {
        std::string target = file(name);
        std::filesystem::create_directories(std::filesystem::path(target).parent_path());
        std::ofstream(target, std::ios::binary) << content;
        return target;
    }

private:
    std::string path_;
};

// A daily table of one line per minute from `first` for `minutes` minutes;
// column 7 of line k (0-based) holds idBase + k.
inline std::string minuteTable(platform::DateTime first, int minutes, uint32_t idBase = 0,
                               const std::string& titles = standardTitles()) {
    std::string table = dailyHeader(titles);
    for (int k = 0; k < minutes; ++k) appendDailyLine(table, first + k / 1440.0, idBase + static_cast<uint32_t>(k));
    return table;
}

struct ConsoleRun {
    ConsoleRun(const std::string& answers, std::vector<std::string> args)
        : in(answers), console(in, out), run(console, std::move(args)) {}

    // Runs a step; true when it ended the run in a foreseen way.
    bool ends(const std::function<void(postprocessor::PostprocessorRun&)>& step) {
        try {
            step(run);
        } catch (const platform::RunEnded&) {
            return true;
        }
        return false;
    }
    std::string transcript() const { return out.str(); }

    std::istringstream in;
    std::ostringstream out;
    platform::Console console;
    postprocessor::PostprocessorRun run;
};

// The closing lines of a run that ended with `message` (time left out).
inline std::string closing(const std::string& message) { return " " + message + "\n\n Finished "; }

// True when `text` has the shape of `pattern`, in which '9' stands for any
// digit.
inline bool hasShape(std::string_view text, std::string_view pattern) {
    if (text.size() != pattern.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == '9' ? !digit : text[i] != pattern[i]) return false;
    }
    return true;
}

// True when the transcript ends with the closing lines of `message`.
inline bool endsWithClosing(const std::string& transcript, const std::string& message) {
    std::string tail = closing(message);
    size_t at = transcript.rfind(tail);
    return at != std::string::npos &&
           hasShape(std::string_view(transcript).substr(at + tail.size() - 10), " Finished 99:99:99, press ENTER!");
}

}  // namespace kevor_test
