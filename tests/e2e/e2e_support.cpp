#include "e2e_support.hpp"

#include <utime.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace e2e {

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), std::streamsize(text.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

TableText readTable(const fs::path& path) {
    const std::string text = readFile(path);
    TableText table;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            table.allCrLf = false;
            table.lines.push_back(text.substr(start));
            break;
        }
        size_t lineEnd = end;
        if (lineEnd > start && text[lineEnd - 1] == '\r') {
            --lineEnd;
        } else {
            table.allCrLf = false;
        }
        table.lines.push_back(text.substr(start, lineEnd - start));
        start = end + 1;
    }
    return table;
}

std::vector<std::string> splitTabs(std::string_view line) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            fields.emplace_back(line.substr(start));
            return fields;
        }
        fields.emplace_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

double toNumber(const std::string& field) {
    char* end = nullptr;
    const double value = std::strtod(field.c_str(), &end);
    if (field.empty() || *end != '\0') throw std::runtime_error("not a number: \"" + field + "\"");
    return value;
}

std::string upperCase(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> folderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void setModificationDay(const fs::path& path, int year, int month, int day) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    utimbuf times{};
    times.actime = times.modtime = std::mktime(&local);
    if (utime(path.c_str(), &times) != 0) throw std::runtime_error("cannot set the date of " + path.string());
}

::testing::AssertionResult inOrder(const std::string& text, std::initializer_list<std::string_view> pieces) {
    size_t from = 0;
    for (std::string_view piece : pieces) {
        const size_t at = text.find(piece, from);
        if (at == std::string::npos) {
            return ::testing::AssertionFailure()
                   << "missing (in this order): \"" << piece << "\"\n--- in the text:\n" << text;
        }
        from = at + piece.size();
    }
    return ::testing::AssertionSuccess();
}

void E2eTest::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "kevor-e2e-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a test folder");
    dir = pattern;
}

void E2eTest::TearDown() {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

void E2eTest::generate(const fs::path& folder, const std::vector<std::string>& options) {
    std::vector<std::string> args = {"--quiet", "--out", folder.string()};
    args.insert(args.end(), options.begin(), options.end());
    const ProcessResult result = runProcess(KEVOR_GEN_PATH, args, "");
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

ProcessResult E2eTest::runConverter(const std::vector<std::string>& args, const std::string& answers) {
    return runProcess(KEVORCV_PATH, args, answers, dir.string());
}

ProcessResult E2eTest::runPostprocessor(const std::vector<std::string>& args, const std::string& answers) {
    return runProcess(KEVORPP_PATH, args, answers, dir.string());
}

std::string converterAnswers(int outputstyle, int cycleminutes, int zerominutes, int extracorrect,
                             const std::string& extension) {
    std::ostringstream answers;
    answers << outputstyle << '\n'
            << cycleminutes << '\n'
            << zerominutes << '\n'
            << extracorrect << '\n'
            << extension << '\n'
            << '\n';
    return answers.str();
}

fs::path E2eTest::convertTwoMornings(const fs::path& folder) {
    generate(folder, {"--start", "2011-12-18", "--days", "2", "--from", "06:00", "--to", "07:59:59"});
    const ProcessResult run = runConverter({folder.string()}, converterAnswers(0, 5, 10, 0, "txt"));
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    return folder / "KVA111200.txt";
}

}  // namespace e2e
