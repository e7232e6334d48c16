#include "tests/fuzz/fuzz_checks.hpp"

#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "platform/datetime.hpp"
#include "platform/files.hpp"
#include "postprocessor/input/loading.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace fuzz {

HeldTables& HeldTables::get() {
    static HeldTables tables;
    return tables;
}

void HeldTables::lendTo(converter::ConverterRun& run) {
    if (!store.fields) store.allocate();
    if (!cycles.cycleFirst) cycles.allocate();
    run.store.fields = std::move(store.fields);
    run.store.recordTime = std::move(store.recordTime);
    run.cycles = std::move(cycles);
    if (air) {
        std::fill_n(airIndex.get(), converter::LineWork::kAirIndexSlots, 0);
        run.work.air = std::move(air);
        run.work.airIndex = std::move(airIndex);
    }
}

void HeldTables::takeBack(converter::ConverterRun& run) {
    store.fields = std::move(run.store.fields);
    store.recordTime = std::move(run.store.recordTime);
    cycles = std::move(run.cycles);
    air = std::move(run.work.air);
    airIndex = std::move(run.work.airIndex);
}

void HeldTables::lendTo(postprocessor::PostprocessorRun& run) {
    if (!data.lineTimes) data.allocate();
    if (!grid.values) grid.allocate();
    run.data = std::move(data);
    run.grid = std::move(grid);
}

void HeldTables::takeBack(postprocessor::PostprocessorRun& run) {
    data = std::move(run.data);
    grid = std::move(run.grid);
}

std::string temporaryFileProblem() {
    // Output files are written as "~kevor<pid>-<n>.tmp" (a name the user may
    // also choose for a table, but hardly with this process's number).
    const std::string prefix = "~kevor" + std::to_string(getpid()) + "-";
    for (const std::string& name : Scratch::get().files()) {
        const std::string_view file = platform::fileNamePart(name);
        if (file.substr(0, prefix.size()) == prefix && file.size() > 4 && file.substr(file.size() - 4) == ".tmp")
            return "the temporary file " + name + " stayed behind";
    }
    // An unnamed output file (O_TMPFILE) leaves no name; one not closed
    // shows as an open descriptor of the scratch folder.
    namespace fs = std::filesystem;
    std::error_code error;
    const std::string root = fs::canonical(Scratch::get().root(), error).string();
    if (error) return "";
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc/self/fd", error)) {
        const fs::path target = fs::read_symlink(entry.path(), error);
        if (!error && target.string().rfind(root + "/", 0) == 0)
            return "the file " + target.string() + " is still open after the run";
    }
    return "";
}

void expectNoTemporaryFile() {
    const std::string problem = temporaryFileProblem();
    if (!problem.empty()) finding(problem);
}

std::string svgProblem(std::string_view svg) {
    size_t at = 0;
    auto startsHere = [&](std::string_view text) { return svg.substr(at, text.size()) == text; };
    auto skipPast = [&](std::string_view end) {
        const size_t found = svg.find(end, at);
        if (found == std::string_view::npos) return false;
        at = found + end.size();
        return true;
    };
    auto isNameCharacter = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
               c == ':' || c == '.';
    };
    std::vector<std::string_view> open;
    int roots = 0;
    if (!startsHere("<?xml") && !startsHere("<svg ")) return "it does not begin as an SVG document";
    while (at < svg.size()) {
        const char c = svg[at];
        if (c == '&') {
            const size_t semicolon = svg.find(';', at);
            const std::string_view entity = svg.substr(at, semicolon == std::string_view::npos ? 12 : semicolon - at + 1);
            if (!(entity == "&amp;" || entity == "&lt;" || entity == "&gt;" || entity == "&quot;" || entity == "&apos;" ||
                  (entity.size() > 3 && entity[1] == '#')))
                return "a bare \"&\" in the text at byte " + std::to_string(at);
            at += entity.size();
            continue;
        }
        if (c != '<') {
            if (open.empty() && c != ' ' && c != '\n' && c != '\r' && c != '\t')
                return "text outside the svg element at byte " + std::to_string(at);
            ++at;
            continue;
        }
        if (startsHere("<?")) {
            if (!skipPast("?>")) return "an unclosed <? ... ?>";
            continue;
        }
        if (startsHere("<!--")) {
            if (!skipPast("-->")) return "an unclosed comment";
            continue;
        }
        if (startsHere("<!")) {
            if (!skipPast(">")) return "an unclosed <! ... >";
            continue;
        }
        const bool closing = startsHere("</");
        at += closing ? 2 : 1;
        const size_t nameStart = at;
        while (at < svg.size() && isNameCharacter(svg[at])) ++at;
        const std::string_view name = svg.substr(nameStart, at - nameStart);
        if (name.empty()) return "a \"<\" that begins no tag at byte " + std::to_string(nameStart - 1);
        // Attributes: name="value" or name='value', up to ">" or "/>".
        bool selfClosing = false;
        for (;;) {
            while (at < svg.size() && (svg[at] == ' ' || svg[at] == '\n' || svg[at] == '\r' || svg[at] == '\t')) ++at;
            if (at >= svg.size()) return "the tag <" + std::string(name) + " does not end";
            if (svg[at] == '>') {
                ++at;
                break;
            }
            if (!closing && startsHere("/>")) {
                at += 2;
                selfClosing = true;
                break;
            }
            if (closing) return "the closing tag </" + std::string(name) + "> has attributes";
            const size_t attributeStart = at;
            while (at < svg.size() && isNameCharacter(svg[at])) ++at;
            if (at == attributeStart || at + 1 >= svg.size() || svg[at] != '=' || (svg[at + 1] != '"' && svg[at + 1] != '\''))
                return "an attribute of <" + std::string(name) + "> that is not name=\"value\"";
            const char quote = svg[at + 1];
            const size_t end = svg.find(quote, at + 2);
            if (end == std::string_view::npos) return "an attribute value of <" + std::string(name) + "> that does not end";
            const std::string_view value = svg.substr(at + 2, end - at - 2);
            if (value.find('<') != std::string_view::npos) return "a \"<\" in an attribute value";
            at = end + 1;
        }
        if (closing) {
            if (open.empty() || open.back() != name)
                return "</" + std::string(name) + "> closes " + (open.empty() ? "nothing" : "<" + std::string(open.back()) + ">");
            open.pop_back();
        } else if (!selfClosing) {
            if (open.empty() && roots++ > 0) return "a second root element <" + std::string(name) + ">";
            if (open.empty() && name != "svg") return "the root element is <" + std::string(name) + ">, not <svg>";
            open.push_back(name);
        } else if (open.empty()) {
            return "an element <" + std::string(name) + "/> outside the svg element";
        }
    }
    if (!open.empty()) return "<" + std::string(open.back()) + "> is not closed at the end";
    if (roots != 1) return "no svg element";
    if (svg.size() < 7 || svg.substr(svg.size() - 7) != "</svg>\n") return "it does not end with </svg> and a line end";
    for (std::string_view bad : {"nan", "inf", "-0\""})
        if (svg.find(bad) != std::string_view::npos) return "it holds \"" + std::string(bad) + "\"";
    return "";
}

void expectWholePicture(const std::string& path) {
    const std::string problem = svgProblem(readFile(path));
    if (!problem.empty()) finding(path + " is no whole SVG document: " + problem);
}

namespace {

// The postprocessor's loader reads the daily table at `path` over the whole
// century; every data line must arrive.
void loadBack(const std::string& path, size_t dataLines) {
    std::istringstream in;
    std::ostringstream out;
    platform::Console console(in, out);
    postprocessor::PostprocessorRun pp(console, {});
    HeldTables& held = HeldTables::get();
    held.lendTo(pp);
    pp.input.inputFiles.push_back({path, path});
    pp.input.inputFileCount = 1;
    pp.params.firstDay = platform::encodeDate(2000, 1, 1);
    pp.params.lastDay = platform::encodeDate(2099, 12, 31);
    std::string error;
    const End end = runAllowed([&] { postprocessor::loadTables(pp); }, &error);
    const size_t loaded = static_cast<size_t>(pp.data.lineCount);
    held.takeBack(pp);
    if (end == End::runError) finding("the postprocessor cannot read the daily table: " + error);
    if (end == End::foreseen ? dataLines != 0 : loaded != dataLines)
        finding("the postprocessor loaded " + std::to_string(end == End::foreseen ? 0 : loaded) + " of " +
                std::to_string(dataLines) + " lines of the daily table");
}

}  // namespace

void checkDailyTable(const converter::ConverterRun& run) {
    const std::string& path = run.outputName;
    const std::string text = readFile(path);
    const std::string what = "daily table " + path;
    const std::vector<std::string_view> lines = tableLines(text, what);
    if (lines.size() < 3 || lines[0] != run.store.headerLine1 || lines[1] != run.store.headerLine2 ||
        lines[2] != run.store.headerLine3)
        finding(what + ": the header lines are not those of the run");

    const bool basic = run.settings.outputstyle == 2;
    const size_t columns = basic ? 87 : 78;
    if (!basic && splitTabs(lines[2]).size() != columns) finding(what + ": not 78 column titles");
    const size_t dataLines = lines.size() - 3;
    if (dataLines != static_cast<size_t>(run.cycles.cycleCount - run.cyclesLeftOut))
        finding(what + ": " + std::to_string(dataLines) + " data lines for " + std::to_string(run.cycles.cycleCount) +
                " cycles of which " + std::to_string(run.cyclesLeftOut) + " were left out");
    for (size_t i = 3; i < lines.size(); ++i) {
        const std::vector<std::string_view> fields = splitTabs(lines[i]);
        if (fields.size() != columns)
            finding(what + ": line " + std::to_string(i + 1) + " has not " + std::to_string(columns) + " fields");
        for (size_t c = 1; c <= columns; ++c) {
            const int decimals = basic || c == 78 ? 0 : run.columnDecimals[c - 1];
            expectFixed(fields[c - 1], decimals, what, i + 1, c);
        }
    }
    if (!basic) loadBack(path, dataLines);
}

namespace {

void checkNormalTable(const postprocessor::PostprocessorRun& run, const std::string& path) {
    const postprocessor::RunParameters& params = run.params;
    const std::string text = readFile(path);
    const std::string what = "table " + path;
    const std::vector<std::string_view> lines = tableLines(text, what);
    if (lines.size() < 3 || lines[0] != "Fract\tcorrect\tmult-std\tsm-neg\tsm-tot\ttrim")
        finding(what + ": the head lines are missing");
    const std::vector<std::string_view> head = splitTabs(lines[1]);
    if (head.size() != 6) finding(what + ": line 2 has not 6 fields");
    for (size_t c = 0; c < 6; ++c) expectFixed(head[c], c == 2 ? 1 : 0, what, 2, c + 1);

    // One line per output time slot that has data, after the three head lines.
    long long slotsWithData = 0;
    for (int g = 1; g <= params.outputLineCount; ++g) slotsWithData += run.grid.hasData(g) ? 1 : 0;
    if (static_cast<long long>(lines.size()) != 3 + slotsWithData)
        finding(what + ": " + std::to_string(lines.size()) + " lines for " + std::to_string(slotsWithData) +
                " output time slots with data and 3 head lines");

    const std::string& format = params.timeFormat;
    const bool timeColumn = format != "x";
    const bool knownFormat = format == "j" || format == "j.f" || format == "t.f" || format.empty();
    const size_t count = static_cast<size_t>(params.selectedVariableCount);
    for (size_t i = 3; i < lines.size(); ++i) {
        const std::vector<std::string_view> fields = splitTabs(lines[i]);
        const size_t expected = count + (timeColumn ? 1 : 0);
        if (knownFormat || !timeColumn ? fields.size() != expected : fields.size() < expected)
            finding(what + ": line " + std::to_string(i + 1) + " has " + std::to_string(fields.size()) +
                    " fields instead of " + std::to_string(expected));
        if (format == "j" || format == "j.f" || format == "t.f")
            expectFixed(fields[0], format == "j" ? 0 : 4, what, i + 1, 1);
        const size_t first = fields.size() - count;
        for (size_t k = 1; k <= count; ++k) {
            const std::string_view field = fields[first + k - 1];
            const int v = params.selectedVariables[k];
            if (v == 1 || v == 2) {  // yymmdd and hhnn, with leading zeros
                const size_t digits = v == 1 ? 6 : 4;
                if (field.size() != digits || field[0] == '-' || !isFixedNumber(field, 0))
                    finding(what + ": line " + std::to_string(i + 1) + ": \"" + std::string(field) + "\" is not " +
                            std::to_string(digits) + " digits");
            } else {
                expectFixed(field, run.variables.variableDecimals[v], what, i + 1, first + k);
            }
        }
    }
}

void checkDiagramTable(const postprocessor::PostprocessorRun& run, const std::string& path) {
    const int s = run.params.linesPerDay, m = run.params.timeStepMinutes;
    const std::string what = "diagram table " + path;
    const std::string text = readFile(path);
    const std::vector<std::string_view> lines = tableLines(text, what);
    if (lines.size() != static_cast<size_t>(s) + 1) finding(what + ": not one line per slot boundary");
    for (size_t t = 0; t < lines.size(); ++t) {
        const std::vector<std::string_view> fields = splitTabs(lines[t]);
        if (fields.size() != 21 || fields[0] != std::to_string(static_cast<long long>(t) * m))
            finding(what + ": line " + std::to_string(t + 1) + " is not a minute and 20 values");
        for (size_t j = 1; j < fields.size(); ++j) {
            expectFixed(fields[j], 0, what, t + 1, j + 1);
            if (fields[j][0] == '-') finding(what + ": line " + std::to_string(t + 1) + ": a negative value");
        }
    }
}

}  // namespace

void checkPostprocessorTables(const postprocessor::PostprocessorRun& run) {
    const postprocessor::RunParameters& params = run.params;
    if (params.tableKind != 'D') {
        if (platform::fileExists(params.outputFileName.real)) checkNormalTable(run, params.outputFileName.real);
        return;
    }
    const std::string& folder = params.diagramFolder.real;
    for (const platform::DirEntry& entry : platform::findEntries(folder, "d*.xl"))
        if (!entry.isFolder) checkDiagramTable(run, platform::joinPath(folder, entry.name));
}

void checkRunParameters(const postprocessor::PostprocessorRun& run) {
    const postprocessor::RunParameters& p = run.params;
    auto expect = [](bool promise, const char* what) {
        if (!promise) finding(std::string("the dialogue accepted ") + what);
    };
    const double century = platform::encodeDate(2000, 1, 1), end = platform::encodeDate(2099, 12, 31);
    expect(p.firstDay >= century && p.firstDay <= end && p.firstDay == static_cast<long long>(p.firstDay),
           "a first day outside 2000-2099");
    expect(p.lastDay >= p.firstDay && p.lastDay <= end && p.lastDay == static_cast<long long>(p.lastDay),
           "a last day before the first one or after 2099");
    expect(p.correctionMethod >= 0 && p.correctionMethod <= 3, "a method outside 0..3");
    const bool multiplier = p.correctionMethod == 1 || p.correctionMethod == 3;
    expect(multiplier ? p.outlierMultiplier >= 3 && p.outlierMultiplier <= 9 : p.outlierMultiplier == 0,
           "a multiplier outside 3..9");
    expect(p.negativeSmoothingLevel >= 0 && p.negativeSmoothingLevel <= 9, "a smoothing level outside 0..9");
    expect(p.totalSmoothingLevel >= -1 && p.totalSmoothingLevel <= 9, "a total smoothing level outside -1..9");
    const int step = p.timeStepMinutes;
    expect(step >= 1 && step <= 1440 && 1440 % step == 0 && p.linesPerDay == 1440 / step &&
               p.timeStepDays == step / 1440.0,
           "a time step that does not divide a day");
    const long long days = static_cast<long long>(p.lastDay - p.firstDay) + 1;
    expect(p.outputLineCount == p.linesPerDay * days && p.outputLineCount <= postprocessor::kMaxOutputLines,
           "more output lines than the grid holds");
    const int gMax = std::min((step - 1) / 2, 20);
    expect(p.trimmingDegree >= 0 && p.trimmingDegree <= std::max(gMax, 0), "a trimming degree beyond its bound");
    expect(p.tableKind == 'N' || p.tableKind == 'F' || p.tableKind == 'D', "a table kind other than N, F, D");
    if (p.tableKind == 'D') {
        expect(p.diagramFolder.real.empty() || platform::folderExists(p.diagramFolder.real),
               "a diagram folder that does not exist");
        return;
    }
    expect(p.selectedVariableCount >= 1 && p.selectedVariableCount <= postprocessor::kVariableCount,
           "a list of variables of no or too many entries");
    for (int k = 1; k <= p.selectedVariableCount; ++k) {
        const int v = p.selectedVariables[k];
        expect(v >= 1 && v <= postprocessor::kVariableCount && v != 79 && v != 80,
               "a variable number 79, 80 or beyond 1..120");
    }
    expect(!platform::fileExists(p.outputFileName.real), "the name of an existing file for the output");
}

void checkConverterSettings(const converter::ConverterSettings& s) {
    auto expect = [](bool promise, const char* what) {
        if (!promise) finding(std::string("the settings were completed with ") + what);
    };
    expect(s.outputstyle >= 0 && s.outputstyle <= 2, "an outputstyle outside 0..2");
    bool cycle = false;
    for (int legal : {0, 1, 2, 3, 4, 5, 6, 10, 12, 15, 20, 30, 60}) cycle = cycle || s.cycleminutes == legal;
    expect(cycle, "an illegal cycleminutes");
    expect(s.zerominutes >= 3 && s.zerominutes <= 600 && s.zerominutes >= s.cycleminutes, "an illegal zerominutes");
    expect(s.extracorrect >= 0 && s.extracorrect <= 3, "an extracorrect outside 0..3");
    if (s.extracorrect > 1) {
        for (double c : {s.c_inv_n2, s.c_inv_n1, s.c_inv_p1, s.c_inv_p2})
            expect(c >= -10 && c <= 10, "a resolution coefficient outside -10..10");
        expect(s.z_limit >= 0.01 && s.z_limit <= 10, "a z_limit outside 0.01..10");
    }
}

}  // namespace fuzz
