#include "tests/fuzz/fuzz_support.hpp"

#include <unistd.h>
#include <utime.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "platform/files.hpp"

namespace fuzz {

namespace fs = std::filesystem;

Input splitInput(const uint8_t* data, size_t size, size_t prefixSize, size_t maxParts) {
    Input input;
    input.prefix.assign(prefixSize, 0);
    const size_t taken = size < prefixSize ? size : prefixSize;
    for (size_t i = 0; i < taken; ++i) input.prefix[i] = data[i];
    std::string_view rest(reinterpret_cast<const char*>(data) + taken, size - taken);
    while (input.parts.size() + 1 < maxParts) {
        size_t at = rest.find(kPartSeparator);
        if (at == std::string_view::npos) break;
        input.parts.push_back(rest.substr(0, at));
        rest.remove_prefix(at + kPartSeparator.size());
    }
    input.parts.push_back(rest);
    return input;
}

std::string joinInput(const std::vector<uint8_t>& prefix, const std::vector<std::string>& parts) {
    std::string text(prefix.begin(), prefix.end());
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) text += kPartSeparator;
        text += parts[i];
    }
    return text;
}

std::string confinedAnswers(std::string_view text) {
    std::string answers(text);
    for (char& c : answers)
        if (platform::isPathSeparator(c)) c = '_';
    return answers;
}

void finding(std::string_view what) {
    std::fprintf(stderr, "\n==== finding: %.*s\n", static_cast<int>(what.size()), what.data());
    std::fflush(stderr);
    std::abort();
}

Scratch& Scratch::get() {
    static Scratch scratch;
    return scratch;
}

Scratch::Scratch() : startDirectory_(platform::currentDirectory()) {
    root_ = (fs::temp_directory_path() / ("kevor-fuzz-" + std::to_string(getpid()))).string();
    work_ = root_ + "/w/";
    reset();
}

Scratch::~Scratch() {
    platform::setCurrentDirectory(startDirectory_);
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void Scratch::reset() {
    if (!platform::setCurrentDirectory(startDirectory_)) finding("cannot go back to the start directory");
    std::error_code error;
    fs::remove_all(root_, error);
    if (error || !fs::create_directories(work_, error)) finding("cannot make the scratch folder " + work_);
}

std::string Scratch::write(std::string_view name, std::string_view content) const {
    std::string path = work_ + std::string(name);
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out.flush()) finding("cannot write " + path);
    return path;
}

std::vector<std::string> Scratch::files() const {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root_))
        if (!entry.is_directory()) names.push_back(fs::relative(entry.path(), work_).string());
    return names;
}

std::string readFile(const std::string& path) {
    std::string text;
    if (!platform::readWholeFile(path, text)) finding("cannot read " + path);
    return text;
}

void setSettingsFileDate(const std::string& path) {
    std::tm noon{};
    noon.tm_year = 2011 - 1900;
    noon.tm_mon = 11;
    noon.tm_mday = 20;
    noon.tm_hour = 12;
    noon.tm_isdst = -1;
    const std::time_t when = std::mktime(&noon);
    utimbuf times{when, when};
    if (utime(path.c_str(), &times) != 0) finding("cannot date " + path);
}

std::vector<std::string_view> tableLines(std::string_view text, std::string_view what) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos || lf == start || text[lf - 1] != '\r')
            finding(std::string(what) + ": line " + std::to_string(lines.size() + 1) + " does not end with CR LF");
        lines.push_back(text.substr(start, lf - 1 - start));
        start = lf + 1;
    }
    return lines;
}

std::vector<std::string_view> splitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

bool isFixedNumber(std::string_view text, int decimals) {
    size_t i = text.substr(0, 1) == "-" ? 1 : 0;
    const size_t digitsFrom = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == digitsFrom) return false;
    if (decimals == 0) return i == text.size();
    if (i == text.size() || text[i] != '.') return false;
    const size_t point = i++;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i == text.size() && i - point - 1 == static_cast<size_t>(decimals);
}

void expectFixed(std::string_view field, int decimals, std::string_view what, size_t line, size_t column) {
    if (!isFixedNumber(field, decimals))
        finding(std::string(what) + ": line " + std::to_string(line) + ", column " + std::to_string(column) + ": \"" +
                std::string(field.substr(0, 60)) + "\" is not a number with " + std::to_string(decimals) + " decimals");
}

}  // namespace fuzz
