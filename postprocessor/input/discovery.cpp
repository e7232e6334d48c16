#include "postprocessor/input/discovery.hpp"

#include <algorithm>
#include <string>

#include "platform/files.hpp"
#include "platform/number_text.hpp"
#include "platform/run_error.hpp"
#include "platform/text.hpp"
#include "postprocessor/input/text_scanner.hpp"
#include "postprocessor/run.hpp"

namespace postprocessor {

namespace {

bool nameBeginsWithKva(std::string_view displayPath) {
    return platform::fileNamePart(displayPath).substr(0, 3) == "KVA";
}

// Folder part of a path up to and including its last separator.
PathName directoryOf(const PathName& path) {
    size_t keep = path.display.size() - platform::fileNamePart(path.display).size();
    return {path.display.substr(0, keep), path.real.substr(0, keep)};
}

// A folder entry: the folder as shown, the entry name as the directory
// search gave it (only the dragged item itself is upper-cased).
PathName entryOf(const PathName& folder, const std::string& entryName) {
    PathName path;
    path.display = folder.display + platform::pathSeparator + entryName;
    path.real = folder.real + platform::pathSeparator + entryName;
    return path;
}

}  // namespace

PathName pathFromArgument(std::string_view argument) {
    return {platform::toUpperAscii(argument), std::string(argument)};
}

void readCommandLine(PostprocessorRun& run) {
    InputSet& input = run.input;
    const size_t n = run.args.size();
    input.twoFileRegime = n >= 2;
    input.chosenItem = {};
    if (n == 0) {
        run.console.writeLine("");
        run.console.writeLine(" The program can be launched only dragging a proper icon");
        finishRun(run.console, "(or a pair of icons) onto the icon of the program file.");
    }
    PathName item1 = pathFromArgument(run.args[0]);
    if (n == 1) {
        input.chosenItem = item1;
        return;
    }
    PathName item2 = pathFromArgument(run.args[1]);
    if (nameBeginsWithKva(item1.display))
        input.chosenItem = item1;
    else if (nameBeginsWithKva(item2.display))
        input.chosenItem = item2;
}

void stopAsInaccessible(platform::Console& console, std::string_view displayPath) {
    console.writeLine(platform::printablePath(displayPath) + " is inaccessible (maybe open by another application?");
    console.writeLine("Program will be interrupted, press Enter!");
    console.waitForEnter();
    throw platform::RunEnded{};
}

void scanFolder(PostprocessorRun& run, const PathName& folder, std::string_view pattern) {
    InputSet& input = run.input;
    std::vector<platform::DirEntry> entries = platform::findEntries(folder.real, pattern);
    std::sort(entries.begin(), entries.end(),
              [](const platform::DirEntry& a, const platform::DirEntry& b) { return a.name < b.name; });
    for (const platform::DirEntry& entry : entries) {
        if (entry.isFolder) continue;
        if (input.inputFileCount >= kInputFileCapacity) finishRun(run.console, "Too many KVA-files!");
        input.inputFiles.push_back(entryOf(folder, entry.name));
        ++input.inputFileCount;
    }
}

void discoverInput(PostprocessorRun& run) {
    InputSet& input = run.input;
    platform::Console& console = run.console;
    const PathName& item = input.chosenItem;

    input.workFolder = directoryOf(item);
    input.inputFiles.clear();
    input.inputFileCount = 0;
    std::string kind = "unknown";
    if (platform::folderExists(item.real)) {
        input.workFolder = {item.display + platform::pathSeparator, item.real + platform::pathSeparator};
        kind = "folder";
    } else if (platform::fileExists(item.real)) {
        kind = "file";
    }
    console.writeLine(" dragged item is " + kind + " " + platform::printablePath(item.display));
    if (input.twoFileRegime) console.writeLine(" NB: special regime initiated by 2 dragged files: var61 = n!");

    if (kind == "unknown") finishRun(console, "Nothing to process!");
    if (kind == "file") {
        if (!nameBeginsWithKva(item.display)) finishRun(console, "This is not a KVA-file!");
        input.inputFiles.push_back(item);
        input.inputFileCount = 1;
    } else {
        scanFolder(run, item, "KVA*.*");
    }

    console.writeLine(" found " + std::to_string(input.inputFileCount) + " KVA-files:");
    for (int i = 0; i < input.inputFileCount && i < 5; ++i) console.writeLine(platform::printablePath(input.inputFiles[i].display));
    if (input.inputFileCount > 5) console.writeLine("...... etc .......");
    if (input.inputFileCount == 0) finishRun(console, "Nothing to process!");

    input.extraDiameterCount = 0;
    readExtraDiameters(run);
    console.writeLine("");
}

void readExtraDiameters(PostprocessorRun& run) {
    InputSet& input = run.input;
    platform::Console& console = run.console;
    const PathName path{input.workFolder.display + "diameters.txt", input.workFolder.real + "diameters.txt"};
    if (!platform::fileExists(path.real)) return;
    std::string text;
    if (!platform::readWholeFile(path.real, text)) stopAsInaccessible(console, path.display);

    TextScanner scan(text);
    int& count = input.extraDiameterCount;
    while (!scan.atEnd()) {
        // The count is tested before the value is read: a line end after
        // the twentieth value already counts as one more.
        ++count;
        if (count > kExtraDiameterCapacity) finishRun(console, " number of lines in diameters.txt exceeds 20!");
        std::string_view token = scan.nextToken();
        long long line = scan.lineNumber();
        double value = 0;  // what the end of the file reads as
        if (!token.empty() && !platform::parseReal(token, value))
            platform::failAt(path.real, line, "\"" + platform::inputExcerpt(token) + "\" is not a number");
        scan.skipRestOfLine();
        if (!(value >= 0.5 && value <= 7.0))
            finishRun(console, " extra diameter out of range or empty line in diameters.txt!");
        input.extraDiameters[count] = value;
    }

    console.writeLine(" found a file of " + std::to_string(count) + " extra diameters:");
    std::string values;
    for (int i = 1; i <= count; ++i) {
        std::string number = platform::formatFixed(input.extraDiameters[i], 2);
        if (number.size() < 5) values.append(5 - number.size(), ' ');
        values += number;
    }
    console.writeLine(values);
}

}  // namespace postprocessor
