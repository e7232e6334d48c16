#include "ncexport/run.hpp"

#include "platform/datetime.hpp"
#include "platform/files.hpp"
#include "platform/run_error.hpp"
#include "platform/text.hpp"

namespace ncexport {

namespace {

// The closing lines and the wait for Enter, as at every end of the run.
[[noreturn]] void finish(platform::Console& console, std::string_view message) {
    console.writeLine(" " + std::string(message));
    console.writeLine("");
    console.writePrompt(" Finished " + platform::formatDateTime("hh:nn:ss", platform::localNow()) +
                        ", press ENTER!");
    console.waitForEnter();
    throw platform::RunEnded{};
}

void notATable(ExportRun& run, std::string_view name) {
    run.console.writeLine(" skipped " + platform::printablePath(name) + ": not a daily, Normal or Fraction table");
}

// The datasets themselves lie beside the tables.
bool isDataset(std::string_view name) {
    return name.size() > 3 && platform::toLowerAscii(name.substr(name.size() - 3)) == ".nc";
}

void convertFolder(ExportRun& run, const std::string& folder) {
    std::vector<std::string> tables;
    for (const platform::DirEntry& entry : platform::findEntries(folder, "*")) {
        if (entry.isFolder || entry.isVolumeLabel || isDataset(entry.name)) continue;
        if (readHead(run, platform::joinPath(folder, entry.name)) && !looksLikeTable(run.head[0], run.head[2]))
            notATable(run, entry.name);
        else
            tables.push_back(entry.name);  // a file that can't be read is reported with the tables
    }
    run.console.writeLine(" found " + std::to_string(tables.size()) + " tables");
    if (tables.empty()) finish(run.console, "Nothing to convert!");
    for (const std::string& name : tables) convertTable(run, folder, name);
}

}  // namespace

ExportRun::ExportRun(platform::Console& console, std::vector<std::string> args)
    : console(console), args(std::move(args)) {}


bool readHead(ExportRun& run, const std::string& path) {
    for (std::string& line : run.head) line.clear();
    if (!run.lines.open(path)) return false;
    for (std::string& line : run.head) {
        std::string_view text;
        const TableLines::Next next = run.lines.next(text);
        if (next == TableLines::Next::readError) return false;
        if (next != TableLines::Next::line) break;  // a short file, or no line end in a whole block
        line.assign(text);
    }
    return true;
}

int runExport(platform::Console& console, const std::vector<std::string>& args) {
    ExportRun run(console, args);
    try {
        console.setTitle(kBanner);
        const platform::DateTime now = platform::localNow();
        console.writeLine(" Date " + platform::formatDateTime("yyyy-mm-dd", now) + ",  time " +
                          platform::formatDateTime("hh:nn:ss", now));
        if (run.args.size() != 1) {
            console.writeLine(" The program converts a daily, Normal or Fraction table or a folder");
            finish(console, "of them: drag it onto the icon of the program file.");
        }
        const std::string& item = run.args[0];
        if (platform::folderExists(item)) {
            console.writeLine(" dragged item is folder " + platform::printablePath(item));
            convertFolder(run, item);
        } else if (platform::fileExists(item)) {
            console.writeLine(" dragged item is file " + platform::printablePath(item));
            if (convertTable(run, std::string(platform::folderPart(item)),
                             std::string(platform::fileNamePart(item))) == Outcome::notATable)
                finish(console, "Nothing to convert!");
        } else {
            console.writeLine(" dragged item is unknown " + platform::printablePath(item));
            finish(console, "Nothing to process!");
        }
        if (run.datasetsWritten == 0) finish(console, "No dataset written!");
        if (run.tablesNotConverted > 0)
            finish(console, "Done, but " + std::to_string(run.tablesNotConverted) +
                                " table(s) not converted (see above)");
        finish(console, "Done");
    } catch (const platform::RunEnded&) {
    }
    return 0;
}

}  // namespace ncexport
