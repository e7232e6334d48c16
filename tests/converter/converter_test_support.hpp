// Helpers of the converter tests: temporary folders with raw files made by
// the tests themselves, a console driven from a string, and the current
// directory restored after each run.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/console.hpp"
#include "platform/datetime.hpp"
#include "platform/files.hpp"

namespace converter_test {

namespace fs = std::filesystem;

// A fresh folder below the system's temporary folder, removed afterwards;
// the current directory is restored when it goes.
struct TempFolder {
    fs::path path;
    std::string savedDirectory = platform::currentDirectory();
    explicit TempFolder(const std::string& tag = "") {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path = fs::temp_directory_path() /
               ("kevorcv-" + std::string(info->test_suite_name()) + "-" + info->name() + tag);
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder() {
        platform::setCurrentDirectory(savedDirectory);
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
    std::string folder() const { return path.string(); }
};

inline void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Empty files _KVA110211.001, .002, ... in `folder`.
inline void writeEmptyRawFiles(const TempFolder& folder, int count) {
    char name[32];
    for (int i = 1; i <= count; ++i) {
        std::snprintf(name, sizeof name, "_KVA110211.%03d", i);
        writeText(folder.file(name), "");
    }
}

// A header line 2 of `count` tab-separated fields "f1", "f2", ... with the
// given values put into fields 21..25 when there are that many.
inline std::string headerLine2(int count, const std::vector<std::string>& coefficients = {}) {
    std::string line;
    for (int i = 1; i <= count; ++i) {
        if (i > 1) line += '\t';
        size_t c = static_cast<size_t>(i - 21);
        line += (i >= 21 && c < coefficients.size()) ? coefficients[c] : "f" + std::to_string(i);
    }
    return line;
}

// One record line: time, kind, then fields 2..86 as base + field number.
inline std::string recordLine(int hhmmss, int kind, int base = 0) {
    std::string line = std::to_string(hhmmss) + '\t' + std::to_string(kind);
    for (int f = 2; f < 87; ++f) line += '\t' + std::to_string(base + f);
    return line + "\r\n";
}

inline std::string rawText(const std::string& records, const std::string& line1 = "KEVOR raw data",
                           const std::string& line2 = headerLine2(25),
                           const std::string& line3 = "time\tkind\tT\tRH\tp\tover\tstatus") {
    return line1 + "\r\n" + line2 + "\r\n" + line3 + "\r\n" + records;
}

// A console whose answers come from a string and whose output is kept.
struct TestConsole {
    std::istringstream in;
    std::ostringstream out;
    platform::Console console;
    explicit TestConsole(const std::string& answers = "") : in(answers), out(), console(in, out) {}
    // The output with every time stamp replaced by "<time>".
    std::string text() const {
        static const std::regex stamp(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)");
        return std::regex_replace(out.str(), stamp, "<time>");
    }
};

// The local date of the file's last modification as "yyyymmdd", shifted by
// `days`.
inline std::string modificationDate(const std::string& path, int days = 0) {
    platform::DateTime when = 0;
    EXPECT_TRUE(platform::fileModificationTime(path, when));
    return platform::formatDateTime("yyyymmdd", when + days);
}

// Writes KEVORCV.INI into `folder` with a header whose revision date is the
// file's own modification date (shifted by `days`), then the given lines.
inline void writeSettingsFile(const std::string& path, const std::string& lines, int days = 0) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        writeText(path, "x\r\n");
        std::string date = modificationDate(path, days);
        writeText(path, "KEVORCV.INI revision " + date + "\r\n" + lines);
        if (modificationDate(path, days) == date) return;  // not written across midnight
    }
}

}  // namespace converter_test
