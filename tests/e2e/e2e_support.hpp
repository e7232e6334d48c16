// What the end-to-end tests share: a fresh folder per test, the three
// programs as processes, and readers for the tables they write.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "process.hpp"

namespace e2e {

namespace fs = std::filesystem;

// A table file split into lines (line ends removed) and the check that every
// line, the last one included, ended with CR LF.
struct TableText {
    std::vector<std::string> lines;
    bool allCrLf = true;
};

std::string readFile(const fs::path& path);
void writeFile(const fs::path& path, std::string_view text);
TableText readTable(const fs::path& path);
std::vector<std::string> splitTabs(std::string_view line);
double toNumber(const std::string& field);
std::string upperCase(std::string text);
// Names of the entries of a folder, sorted.
std::vector<std::string> folderEntries(const fs::path& folder);
// Gives a file a modification time at noon of the given day (local time).
void setModificationDay(const fs::path& path, int year, int month, int day);

// True when the pieces occur in `text` in this order (each after the end of
// the one before); otherwise a failure that names the first missing piece.
::testing::AssertionResult inOrder(const std::string& text, std::initializer_list<std::string_view> pieces);

class E2eTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // kevor-gen --out folder with the given options.
    void generate(const fs::path& folder, const std::vector<std::string>& options);
    ProcessResult runConverter(const std::vector<std::string>& args, const std::string& answers);
    ProcessResult runPostprocessor(const std::vector<std::string>& args, const std::string& answers);

    // Two mornings (2011-12-18 and 19, 06:00 to 07:59:30, 30 s records) in
    // `folder`, converted to standard data with 5-minute cycles: the daily
    // table KVA111200.txt of 2 x 24 lines. Returns its path.
    fs::path convertTwoMornings(const fs::path& folder);

    fs::path dir;  // the test's own folder, removed afterwards
};

// The answers to the converter's settings questions: outputstyle,
// cycleminutes, zerominutes, extracorrect, extension, and the final Enter.
std::string converterAnswers(int outputstyle, int cycleminutes, int zerominutes, int extracorrect,
                             const std::string& extension);

}  // namespace e2e
