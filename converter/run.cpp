#include "converter/run.hpp"

#include <algorithm>
#include <cmath>

#include "converter/input/in_order.hpp"
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

    // The cycles in blocks: each block's lines are made on their own, side by
    // side with other blocks, each thread in its own working storage; then,
    // in block order, appended to the table. A line depends only on its
    // cycle, so the table is the one a single pass gives.
    const int slots = orderedSlots();
    run.moreWork.resize(static_cast<size_t>(slots - 1));
    struct Slot {
        std::string text;
        int leftOut = 0;
    };
    std::vector<Slot> room(static_cast<size_t>(slots));
    const int cycles = run.cycles.cycleCount;
    // Enough blocks to keep every thread busy to the end, few enough that
    // the zero windows, which follow the cycles, are seldom gathered anew.
    const int blockCycles = std::clamp(cycles / (16 * slots) + 1, 256, 8192);
    const long blocks = (cycles + blockCycles - 1) / blockCycles;
    const bool basic = run.settings.outputstyle == 2;
    forEachInOrder(
        blocks, slots,
        [&](long block, int s) {
            Slot& slot = room[static_cast<size_t>(s)];
            LineWork& w = s == 0 ? run.work : run.moreWork[static_cast<size_t>(s - 1)];
            slot.text.clear();
            slot.leftOut = 0;
            const int first = static_cast<int>(block) * blockCycles + 1;
            const int last = std::min(cycles, first + blockCycles - 1);
            for (int c = first; c <= last; ++c) {
                bool written = basic ? appendBasicLine(run, w, c, slot.text) : appendStandardLine(run, w, c, slot.text);
                if (!written) ++slot.leftOut;
            }
        },
        [&](long, int s) {
            Slot& slot = room[static_cast<size_t>(s)];
            // In pieces, so that the file's buffer stays at its size.
            constexpr size_t kPiece = size_t{1} << 20;
            for (size_t at = 0; at < slot.text.size(); at += kPiece)
                out.write(std::string_view(slot.text).substr(at, kPiece));
            run.cyclesLeftOut += slot.leftOut;
            return true;
        });
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
