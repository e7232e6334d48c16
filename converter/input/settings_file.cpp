#include "converter/input/settings_file.hpp"

#include <cstdint>
#include <limits>

#include "converter/input/run_messages.hpp"
#include "platform/datetime.hpp"
#include "platform/files.hpp"
#include "platform/number_text.hpp"
#include "platform/run_error.hpp"
#include "platform/text.hpp"

namespace converter {

namespace {

// The revision date of the header line: 8 characters from the first "2"
// after its first "." (the first 8 when there is no "2").
std::string_view revisionDate(std::string_view header) {
    size_t dot = header.find('.');
    std::string_view text = dot == std::string_view::npos ? header : header.substr(dot);
    size_t two = text.find('2');
    return text.substr(two == std::string_view::npos ? 0 : two, 8);
}

bool toWholeSetting(double value, int& setting) {
    double rounded = platform::roundHalfEven(value);
    if (!(rounded >= std::numeric_limits<int32_t>::min() && rounded <= std::numeric_limits<int32_t>::max()))
        return false;
    setting = static_cast<int>(rounded);
    return true;
}

}  // namespace

void readSettingsFile(platform::Console& console, const std::string& path, ConverterSettings& settings) {
    std::string text;
    platform::DateTime modified = 0;
    if (!platform::readWholeFile(path, text) || !platform::fileModificationTime(path, modified))
        fatalErrorReport(console, "cannot open KEVORCV.INI");

    platform::LineReader lines(text);
    std::string_view line;
    lines.next(line);
    if (revisionDate(line) != platform::formatDateTime("yyyymmdd", modified))
        fatalErrorReport(console, "KEVORCV.INI header contains a wrong revision date");

    while (lines.next(line)) {
        if (line.empty() || line.front() == ' ') continue;  // comment
        size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            fatalErrorReport(console, "an assignment line does not consist of = in KEVORCV.INI");
        std::string_view key = line.substr(0, equals);
        std::string_view value = line.substr(equals + 1);
        value = value.substr(0, value.find(' '));
        if (key == "extension") {
            settings.extension.assign(value);
            continue;
        }
        double number = 0;
        if (!platform::parseReal(value, number))
            fatalErrorReport(console, "wrong number presentation in KEVORCV.INI: " + platform::inputExcerpt(value));

        int* whole = key == "outputstyle"    ? &settings.outputstyle
                     : key == "extracorrect" ? &settings.extracorrect
                     : key == "cycleminutes" ? &settings.cycleminutes
                     : key == "zerominutes"  ? &settings.zerominutes
                                             : nullptr;
        double* real = key == "c_inv_n2"   ? &settings.c_inv_n2
                       : key == "c_inv_n1" ? &settings.c_inv_n1
                       : key == "c_inv_p1" ? &settings.c_inv_p1
                       : key == "c_inv_p2" ? &settings.c_inv_p2
                       : key == "z_limit"  ? &settings.z_limit
                                           : nullptr;
        if (whole) {
            if (!toWholeSetting(number, *whole))
                platform::failAt(path, lines.lineNumber(),
                                 "the value " + platform::inputExcerpt(value) + " of " + std::string(key) +
                                     " is too large for a whole-number setting");
        } else if (real) {
            *real = number;
        } else {
            fatalErrorReport(console, "wrong keyword in KEVORCV.INI: " + platform::inputExcerpt(key));
        }
    }
}

namespace {

std::string questionText(std::string_view promptText) {
    std::string text = "Legal values of ";
    text += promptText;
    text += ", write correct value: ";
    return text;
}

// Writes the question and returns the first token of the first answer line
// that holds one; the rest of that line is discarded.
std::string numberAnswer(platform::Console& console, const std::string& question) {
    console.writePrompt(question);
    std::string line;
    for (;;) {
        if (!console.readLine(line)) platform::fail("the input ended at the question \"" + question + "\"");
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos) continue;
        size_t stop = line.find_first_of(" \t", start);
        return line.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
    }
}

[[noreturn]] void notANumber(const std::string& answer, const std::string& question, const char* kind) {
    platform::fail("the answer \"" + platform::inputExcerpt(answer) + "\" to the question \"" + question +
                   "\" is not " + kind);
}

}  // namespace

void askWholeNumber(platform::Console& console, std::string_view promptText, int& setting) {
    std::string question = questionText(promptText);
    std::string answer = numberAnswer(console, question);
    int32_t value = 0;
    if (!platform::parseInt32(answer, value)) notANumber(answer, question, "a whole number");
    setting = value;
}

void askRealNumber(platform::Console& console, std::string_view promptText, double& setting) {
    std::string question = questionText(promptText);
    std::string answer = numberAnswer(console, question);
    if (!platform::parseReal(answer, setting)) notANumber(answer, question, "a real number");
}

namespace {

bool isCycleLength(int minutes) {
    for (int legal : {0, 1, 2, 3, 4, 5, 6, 10, 12, 15, 20, 30, 60})
        if (minutes == legal) return true;
    return false;
}

void askCoefficient(platform::Console& console, std::string_view promptText, double& setting, double low,
                    double high) {
    while (!(setting >= low && setting <= high)) askRealNumber(console, promptText, setting);
}

}  // namespace

void completeSettings(platform::Console& console, ConverterSettings& s) {
    while (s.outputstyle < 0 || s.outputstyle > 2) {
        console.writeLine("   outputstyle 0 = full range (8 fr/dec) standard data,");
        console.writeLine("   outputstyle 1 = clusterregime (16 fr/dec) standard data,");
        console.writeLine("   outputstyle 2 = basic data.");
        askWholeNumber(console, "outputstyle = 0, 1 or 2", s.outputstyle);
    }
    while (!isCycleLength(s.cycleminutes)) askWholeNumber(console, "cycleminutes = 0...60", s.cycleminutes);
    while (s.zerominutes < 3 || s.zerominutes > 600 || s.zerominutes < s.cycleminutes)
        askWholeNumber(console, "zerominutes = 3...600", s.zerominutes);
    while (s.extracorrect < 0 || s.extracorrect > 3) {
        console.writeLine("   extracorrect 0 = no, 1 = dust pulses, 2 = resolution, 3 = both");
        console.writeLine("   (see the manual Sections 5.7.3 and A6.8)");
        askWholeNumber(console, "extracorrect = 0..3", s.extracorrect);
    }
    if (s.extracorrect > 1) {
        askCoefficient(console, "c_inv_n2 = -10...+10", s.c_inv_n2, -10, 10);
        askCoefficient(console, "c_inv_n1 = -10...+10", s.c_inv_n1, -10, 10);
        askCoefficient(console, "c_inv_p1 = -10...+10", s.c_inv_p1, -10, 10);
        askCoefficient(console, "c_inv_p2 = -10...+10", s.c_inv_p2, -10, 10);
        askCoefficient(console, "z_limit = 0.01...10", s.z_limit, 0.01, 10);
    }
    if (s.extension == "***") {
        console.writePrompt("Write extension for output filename: ");
        console.readLine(s.extension);
    }
}

}  // namespace converter
