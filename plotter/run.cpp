#include "plotter/run.hpp"

#include <algorithm>

#include "platform/datetime.hpp"
#include "platform/files.hpp"
#include "platform/run_error.hpp"
#include "platform/text.hpp"

namespace plotter {

namespace {

struct TableFile {
    platform::DateTime day = 0;
    std::string name;
};

// The closing lines and the wait for Enter, as at every end of the run.
[[noreturn]] void finish(platform::Console& console, std::string_view message) {
    console.writeLine(" " + std::string(message));
    console.writeLine("");
    console.writePrompt(" Finished " + platform::formatDateTime("hh:nn:ss", platform::localNow()) +
                        ", press ENTER!");
    console.waitForEnter();
    throw platform::RunEnded{};
}

// A name or path as every program prints it: control bytes as \xNN.
std::string shown(std::string_view path) { return platform::printablePath(path); }

void notATable(PlotRun& run, std::string_view name) {
    run.console.writeLine(" skipped " + shown(name) + ": not a Diagram table (d + yymmdd + .xl)");
}

// Reads and draws one table; its cells stay in `cells` for an overview.
DayState drawTable(PlotRun& run, const std::string& folder, const TableFile& table, DayCells& cells) {
    const std::string path = platform::joinPath(folder, table.name);
    unsigned long long size = 0;
    const platform::ReadResult read = platform::readFileUpTo(path, run.tableText, kMaxTableBytes, size);
    if (read == platform::ReadResult::unreadable) {
        run.console.writeLine(" " + shown(table.name) + " cannot be read (open in another program?); no picture");
        ++run.tablesNotDrawn;
        return DayState::NotDrawn;
    }
    if (read == platform::ReadResult::tooLarge) {
        run.console.writeLine(" damaged table " + shown(table.name) + ": " + std::to_string(size) +
                              " bytes, more than any Diagram table (at most " + std::to_string(kMaxTableBytes) +
                              "); no picture");
        ++run.tablesNotDrawn;
        return DayState::NotDrawn;
    }
    TableDamage damage;
    if (!readDiagramTable(run.tableText, cells, damage)) {
        run.console.writeLine(" damaged table " + shown(table.name) + ", line " + std::to_string(damage.line) + ": " +
                              damage.cause + "; no picture");
        ++run.tablesNotDrawn;
        return DayState::NotDrawn;
    }
    const std::string pictureName = table.name.substr(0, table.name.size() - 3) + ".svg";
    platform::OutputFile file(platform::joinPath(folder, pictureName));
    writeDayPicture(file, cells, platform::formatDateTime("yyyy-mm-dd", table.day), table.name, run.buffers);
    file.commit();
    ++run.picturesWritten;
    run.console.writeLine(" written " + pictureName);
    return DayState::Drawn;
}

void writeOverview(PlotRun& run, const std::string& folder, platform::DateTime someDay) {
    const platform::DateTimeParts parts = platform::decode(someDay);
    const int days = platform::daysInMonth(parts.year, parts.month);
    MonthDays& month = *run.month;
    if (std::none_of(month.states, month.states + days, [](DayState s) { return s == DayState::Drawn; })) return;
    // "d1112-month.svg" sorts just before "d111201.svg" in every listing.
    const std::string name = "d" + platform::formatDateTime("yymm", someDay) + "-month.svg";
    platform::OutputFile file(platform::joinPath(folder, name));
    const std::string title = platform::formatDateTime("yyyy-mm", someDay);
    writeMonthOverview(file, PictureDays{days, month.cells, month.states}, title, run.buffers);
    file.commit();
    ++run.picturesWritten;
    run.console.writeLine(" written " + name + ", the days of " + title + " side by side");
}

void drawFolder(PlotRun& run, const std::string& folder) {
    std::vector<TableFile> tables;
    for (const platform::DirEntry& entry : platform::findEntries(folder, "*.xl")) {
        if (entry.isFolder || entry.isVolumeLabel) continue;
        TableFile table;
        table.name = entry.name;
        if (diagramTableDay(table.name, table.day))
            tables.push_back(std::move(table));
        else
            notATable(run, entry.name);
    }
    run.console.writeLine(" found " + std::to_string(tables.size()) + " Diagram tables");
    if (tables.empty()) finish(run.console, "Nothing to draw!");
    std::stable_sort(tables.begin(), tables.end(),
                     [](const TableFile& a, const TableFile& b) { return a.day < b.day; });

    MonthDays& month = *run.month;
    int currentMonth = -1;
    platform::DateTime previousDay = -1;
    for (size_t i = 0; i < tables.size(); ++i) {
        const TableFile& table = tables[i];
        const platform::DateTimeParts parts = platform::decode(table.day);
        const int thisMonth = parts.year * 12 + parts.month;
        if (thisMonth != currentMonth) {
            if (currentMonth >= 0) writeOverview(run, folder, previousDay);
            std::fill(std::begin(month.states), std::end(month.states), DayState::NoTable);
            currentMonth = thisMonth;
        }
        if (table.day == previousDay) {
            run.console.writeLine(" skipped " + shown(table.name) + ": a second table of " +
                                  platform::formatDateTime("yyyy-mm-dd", table.day));
            continue;
        }
        previousDay = table.day;
        month.states[parts.day - 1] = drawTable(run, folder, table, month.cells[parts.day - 1]);
    }
    writeOverview(run, folder, previousDay);
}

void drawOneTable(PlotRun& run, const std::string& path) {
    TableFile table;
    table.name = std::string(platform::fileNamePart(path));
    if (!diagramTableDay(table.name, table.day)) {
        notATable(run, table.name);
        finish(run.console, "Nothing to draw!");
    }
    drawTable(run, std::string(platform::folderPart(path)), table, run.month->cells[0]);
}

}  // namespace

PlotRun::PlotRun(platform::Console& console, std::vector<std::string> args)
    : console(console), args(std::move(args)), month(std::make_unique<MonthDays>()) {}

int runPlotter(platform::Console& console, const std::vector<std::string>& args) {
    PlotRun run(console, args);
    try {
        console.setTitle(kBanner);
        const platform::DateTime now = platform::localNow();
        console.writeLine(" Date " + platform::formatDateTime("yyyy-mm-dd", now) + ",  time " +
                          platform::formatDateTime("hh:nn:ss", now));
        if (run.args.size() != 1) {
            console.writeLine(" The program draws a Diagram table (d + yymmdd + .xl) or a folder");
            finish(console, "of them: drag it onto the icon of the program file.");
        }
        const std::string& item = run.args[0];
        if (platform::folderExists(item)) {
            console.writeLine(" dragged item is folder " + shown(item));
            drawFolder(run, item);
        } else if (platform::fileExists(item)) {
            console.writeLine(" dragged item is file " + shown(item));
            drawOneTable(run, item);
        } else {
            console.writeLine(" dragged item is unknown " + shown(item));
            finish(console, "Nothing to process!");
        }
        if (run.picturesWritten == 0) finish(console, "No picture written!");
        if (run.tablesNotDrawn > 0)
            finish(console, "Done, but " + std::to_string(run.tablesNotDrawn) + " table(s) not drawn (see above)");
        finish(console, "Done");
    } catch (const platform::RunEnded&) {
    }
    return 0;
}

}  // namespace plotter
