#include "converter/run.hpp"

#include <cmath>

#include "converter/input/raw_files.hpp"
#include "converter/input/run_messages.hpp"
#include "converter/input/settings_file.hpp"
#include "converter/tables/daily_table.hpp"
#include "platform/files.hpp"
#include "platform/run_error.hpp"
#include "platform/text.hpp"

namespace converter {

namespace {

// The folder of a dragged file, keeping the separator of a root folder
// ("/" or "C:\") so that it still names that folder.
std::string folderOfFile(const std::string& path) {
    std::string folder(platform::folderPart(path));
    if (path.size() > folder.size() && (folder.empty() || folder.back() == ':') &&
        platform::isPathSeparator(path[folder.size()]))
        folder += path[folder.size()];
    return folder;
}

void changeDirectory(const std::string& folder) {
    if (!platform::setCurrentDirectory(folder))
        platform::fail("cannot make " + folder + " the current directory");
}

}  // namespace

void selectRawFiles(ConverterRun& run, const std::vector<std::string>& args) {
    platform::Console& console = run.console;
    console.setTitle("KEVORCV version 20110211");
    console.writeLine("");
    if (args.size() != 1) {
        console.writeLine(" The program can be launched only dragging");
        console.writeLine(" an icon onto the icon of the program file.");
        console.writeLine(" Press Enter and try again!");
        endAfterEnter(console);
    }
    run.launchPath = args[0];
    RawFiles& files = run.files;
    files.rawFiles.clear();
    files.rawFiles.reserve(1000);
    files.rawFileCount = 0;
    if (platform::fileExists(run.launchPath)) {
        std::string name(platform::fileNamePart(run.launchPath));
        if (name.compare(0, 4, "_KVA") == 0) files.rawFileCount = 1;
        files.rawFiles.push_back(std::move(name));
        std::string folder = folderOfFile(run.launchPath);
        if (!folder.empty()) changeDirectory(folder);
    } else if (platform::folderExists(run.launchPath)) {
        changeDirectory(run.launchPath);
        run.launchPath = platform::currentDirectory();
        scanRawFolder(console, run.launchPath, files);
    } else {
        console.writeLine(" The dragged item should be a file or a folder!");
        console.writeLine(" Press Enter and try again!");
        endAfterEnter(console);
    }
    if (files.rawFileCount == 0) {
        console.writeLine(" No _KVA files! Press Enter!");
        endAfterEnter(console);
    }
}

void allocateRunTables(ConverterRun& run) {
    // A run that was handed tables from an earlier one keeps them: readRawInput
    // sets every part of the store that a run reads.
    if (!run.store.fields) run.store.allocate();
    if (!run.cycles.cycleFirst) run.cycles.allocate();
}

void readRawInput(ConverterRun& run) {
    platform::Console& console = run.console;
    console.writeLine("Launched " + timeStamp());
    if (run.files.rawFileCount > 1) sortRawFiles(run.files);
    run.settings = ConverterSettings{};
    console.writePrompt("... Analyzing ");
    readAllRawFiles(console, run.files, run.store);
    parseHeaderLine2(run.store, run.settings);
    run.store.record(0)[field::kind] = -1;
    run.store.record(-1)[field::kind] = -1;
}

void settleSettings(ConverterRun& run) {
    if (platform::fileExists(kSettingsFileName))
        readSettingsFile(run.console, kSettingsFileName, run.settings);
    completeSettings(run.console, run.settings);
}

void setCycleAndFractionValues(ConverterRun& run) {
    const ConverterSettings& s = run.settings;
    run.cycleDays = s.cycleminutes / 1440.0;
    run.fractionsPerDecade = s.outputstyle == 0 ? 8 : 16;
    run.mobilityBase = std::exp((run.fractionsPerDecade == 8 ? -1.5 : -0.375) * std::log(10.0));
}

void buildRunTables(ConverterRun& run) {
    buildCycles(run.store, run.settings, run.cycles);
    buildFractionTables(run.mobilityBase, run.fractionsPerDecade, run.fractions);
    if (run.settings.extracorrect > 1) {
        if (!buildResolutionMatrix(run.settings, run.fractions))
            fatalErrorReport(run.console, "resolution coefficients give a matrix row with sum 0");
        rewriteHeaderLine2(run.store.headerLine2, run.settings);
    }
    buildColumnTitles(run.settings, run.fractions, run.store.headerLine3);
}

void fillFieldDivisorAndColumnDecimals(ConverterRun& run) {
    for (double& d : run.fieldDivisor) d = 1.0;
    for (int f = 3; f <= 75; ++f) run.fieldDivisor[f] = 10.0;
    for (int f : {2, 80, 81}) run.fieldDivisor[f] = 100.0;

    int minutes = run.settings.cycleminutes;
    int* decimals = run.columnDecimals;
    for (int k = 0; k < 78; ++k) decimals[k] = 0;
    decimals[1] = minutes % 2 != 0 ? 1 : 0;  // HHMM: the centre of an odd slot is half a minute
    decimals[2] = minutes == 0 ? 5 : 4;      // DAY
    decimals[3] = 2;                         // T:C
    decimals[4] = 1;                         // RH:%
    decimals[5] = 2;                         // p:mb
    decimals[60] = 1;                        // supply
    decimals[65] = decimals[66] = 2;         // bias+, bias-
    decimals[74] = decimals[75] = 2;         // mean cluster-ion mobilities Z+, Z-
}

std::string dailyTableName(const RawFiles& files, const ConverterSettings& settings) {
    std::string_view first = platform::fileNamePart(files.rawFiles.front());
    std::string_view last =
        platform::fileNamePart(files.rawFiles[static_cast<size_t>(files.rawFileCount - 1)]);
    auto chars = [](std::string_view name, size_t from, size_t count) {
        return from - 1 < name.size() ? name.substr(from - 1, count) : std::string_view();
    };
    std::string name = settings.outputstyle == 2 ? "~KVA" : "KVA";
    if (files.rawFileCount == 1) {
        name += chars(first, 5, 7);
    } else if (chars(first, 5, 4) == chars(last, 5, 4)) {
        name += chars(first, 5, 4);
        name += "00.";
    } else if (chars(first, 5, 2) == chars(last, 5, 2)) {
        name += chars(first, 5, 2);
        name += "0000.";
    } else {
        name += "000000.";
    }
    return name + settings.extension;
}

void chooseOutputName(ConverterRun& run) {
    platform::Console& console = run.console;
    run.outputName = dailyTableName(run.files, run.settings);
    std::string answer;
    while (platform::fileExists(run.outputName)) {
        console.writeLine("File " + platform::printablePath(run.outputName) + " exists!");
        console.writePrompt("Choose R (= rewrite) or C (= cancel) or write a proper name: ");
        if (!console.readLine(answer))
            platform::fail("the input ended at the question how to save the output instead of " +
                           run.outputName);
        std::string upper = platform::toUpperAscii(answer);
        if (upper == "C") interruptRun(console, "Output is not saved, press Enter!");
        if (upper == "R") break;
        if (!answer.empty()) run.outputName = answer;  // an empty answer keeps the name
    }
}

void writeDailyTable(ConverterRun& run) {
    platform::OutputFile out(run.outputName);
    out.writeLine(run.store.headerLine1);
    out.writeLine(run.store.headerLine2);
    out.writeLine(run.store.headerLine3);
    run.cyclesLeftOut = 0;
    const bool basic = run.settings.outputstyle == 2;
    for (int c = 1; c <= run.cycles.cycleCount; ++c) {
        bool written = basic ? writeBasicLine(run, c, out) : writeStandardLine(run, c, out);
        if (!written) ++run.cyclesLeftOut;
    }
    out.commit();
}

int runConverter(platform::Console& console, const std::vector<std::string>& args) {
    ConverterRun run(console);
    return runConverter(run, args);
}

int runConverter(ConverterRun& run, const std::vector<std::string>& args) {
    platform::Console& console = run.console;
    try {
        selectRawFiles(run, args);
        allocateRunTables(run);
        readRawInput(run);
        settleSettings(run);
        console.writeLine("... Processing, please wait ...");
        setCycleAndFractionValues(run);
        buildRunTables(run);
        fillFieldDivisorAndColumnDecimals(run);
        if (run.cycles.cycleCount == 0) {
            console.writeLine("");
            endAfterEnter(console);
        }
        chooseOutputName(run);
        writeDailyTable(run);
        if (run.cyclesLeftOut > 0)
            console.writeLine(" " + std::to_string(run.cyclesLeftOut) + " cycles left out: no finite values");
        console.writeLine("Finished " + timeStamp());
        console.writeLine("Output is saved as " + platform::printablePath(run.outputName) + ", press Enter!");
        endAfterEnter(console);
    } catch (const platform::RunEnded&) {
        return 0;
    }
}

}  // namespace converter
