// One table into one dataset: the head lines make the plan, a first pass
// over the file counts the data lines (the dataset's length), a second
// reads them block by block into the dataset, which then goes to the disk
// beside the table.
#include <string>

#include "ncexport/column_names.hpp"
#include "ncexport/dataset.hpp"
#include "ncexport/run.hpp"
#include "platform/files.hpp"
#include "platform/text.hpp"

namespace ncexport {

namespace {

// More lines than any table of the programs has (a daily table holds at
// most 1,000,000 cycles, a Normal table at most 527,039 lines).
constexpr long long kMaxDataLines = 1'000'000;
constexpr int kHeadLines = 3;

struct DatasetIds {
    int time = -1;
    std::vector<int> variables;
};

void putAttributes(Dataset& dataset, int variable, const std::vector<Attribute>& attributes) {
    for (const Attribute& attribute : attributes) {
        if (!attribute.numeric)
            dataset.text(variable, attribute.name, attribute.text);
        else if (attribute.whole)
            dataset.number(variable, attribute.name, static_cast<int32_t>(attribute.number));
        else
            dataset.number(variable, attribute.name, attribute.number);
    }
}

// A coordinate of fractions with its bounds.
struct Axis {
    const char* name;
    const char* longName;
    const char* units;
    int dimension;
    int count;
    int coordinate = -1, bounds = -1;
};

void defineAxis(Dataset& dataset, Axis& axis, int boundsDimension) {
    const std::string boundsName = std::string(axis.name) + "_bounds";
    axis.coordinate = dataset.variable(axis.name, Dataset::Type::float64, {axis.dimension});
    dataset.text(axis.coordinate, "long_name", axis.longName);
    dataset.text(axis.coordinate, "units", axis.units);
    dataset.text(axis.coordinate, "bounds", boundsName);
    axis.bounds = dataset.variable(boundsName, Dataset::Type::float64, {axis.dimension, boundsDimension});
    dataset.text(axis.bounds, "units", axis.units);
}

template <class Bound>
void putAxis(Dataset& dataset, const Axis& axis, Bound bound) {
    double centres[16], bounds[32];
    for (int i = 0; i < axis.count; ++i) {
        bounds[2 * i] = bound(i);
        bounds[2 * i + 1] = bound(i + 1);
        centres[i] = geometricMiddle(bound(i), bound(i + 1));
    }
    dataset.put(axis.coordinate, 0, static_cast<size_t>(axis.count), centres);
    dataset.put(axis.bounds, 0, static_cast<size_t>(axis.count), bounds);
}

void defineDataset(Dataset& dataset, const TablePlan& plan, size_t lines, const std::string& name, DatasetIds& ids) {
    const int time = dataset.dimension("time", lines);
    Axis diameter{"diameter", "ion diameter, geometric middle of the 1/8-decade fraction", "nm", -1,
                  kDiameterFractions};
    Axis mobility{"mobility", "electrical mobility of the ions, geometric middle of the fraction", "cm2 V-1 s-1", -1,
                  kMobilityFractions};
    if (plan.diameterFractions) diameter.dimension = dataset.dimension("diameter", kDiameterFractions);
    if (plan.mobilityFractionsPerDecade > 0) mobility.dimension = dataset.dimension("mobility", kMobilityFractions);
    int extra = -1;
    if (!plan.extraDiameters.empty()) extra = dataset.dimension("extra_diameter", plan.extraDiameters.size());
    const int bounds =
        diameter.dimension >= 0 || mobility.dimension >= 0 ? dataset.dimension("bounds", 2) : -1;

    ids.time = dataset.variable("time", Dataset::Type::float64, {time});
    dataset.text(ids.time, "standard_name", "time");
    dataset.text(ids.time, "long_name", plan.timeLongName);
    dataset.text(ids.time, "units", kTimeUnits);
    dataset.text(ids.time, "calendar", "standard");
    dataset.text(ids.time, "axis", "T");
    dataset.text(ids.time, "comment", "the instrument's clock, as the table gives it");
    if (diameter.dimension >= 0) defineAxis(dataset, diameter, bounds);
    if (mobility.dimension >= 0) {
        defineAxis(dataset, mobility, bounds);
        dataset.text(mobility.coordinate, "comment",
                     plan.mobilityFractionsPerDecade == 8 ? "8 fractions per decade" : "16 fractions per decade");
    }
    int extraCoordinate = -1;
    if (extra >= 0) {
        extraCoordinate = dataset.variable("extra_diameter", Dataset::Type::float64, {extra});
        dataset.text(extraCoordinate, "long_name", "extra diameter, as listed in diameters.txt of the postprocessor");
        dataset.text(extraCoordinate, "units", "nm");
    }

    for (const Variable& variable : plan.variables) {
        const Dataset::Type type = variable.type == ValueType::whole ? Dataset::Type::int32 : Dataset::Type::float32;
        const int second = variable.shape == Shape::diameter   ? diameter.dimension
                           : variable.shape == Shape::mobility ? mobility.dimension
                                                               : extra;
        const int id = variable.shape == Shape::line ? dataset.variable(variable.name, type, {time})
                                                     : dataset.variable(variable.name, type, {time, second});
        putAttributes(dataset, id, variable.attributes);
        if (variable.shape != Shape::line) dataset.fillWithNaN(id);
        ids.variables.push_back(id);
    }

    const std::string kind(kindName(plan.kind));
    dataset.text(Dataset::kGlobal, "Conventions", "CF-1.8");
    dataset.text(Dataset::kGlobal, "title", "KEVOR air-ion spectrometer: " + kind + " " + name);
    dataset.text(Dataset::kGlobal, "source",
                 "KEVOR air-ion spectrometer; " + kind +
                     (plan.kind == TableKind::normal || plan.kind == TableKind::fraction ? " of KEVORPP"
                                                                                        : " of KEVORCV"));
    for (Attribute attribute : plan.globals) {
        if (attribute.name == "history") attribute.text += "\nKEVORNC: the dataset of the table " + name;
        putAttributes(dataset, Dataset::kGlobal, {attribute});
    }
    dataset.endDefinitions();

    if (diameter.dimension >= 0) putAxis(dataset, diameter, diameterBound);
    if (mobility.dimension >= 0)
        putAxis(dataset, mobility, [&](int a) { return mobilityBound(plan.mobilityFractionsPerDecade, a); });
    if (extra >= 0) dataset.put(extraCoordinate, 0, plan.extraDiameters.size(), plan.extraDiameters.data());
}

void putRows(Dataset& dataset, const DatasetIds& ids, const TablePlan& plan, Rows& rows, size_t firstRow) {
    if (rows.count == 0) return;
    dataset.put(ids.time, firstRow, rows.count, rows.times.data());
    for (size_t v = 0; v < plan.variables.size(); ++v) {
        if (plan.variables[v].type == ValueType::whole)
            dataset.put(ids.variables[v], firstRow, rows.count, rows.wholes.data() + rows.start[v]);
        else
            dataset.put(ids.variables[v], firstRow, rows.count, rows.reals.data() + rows.start[v]);
    }
    rows.count = 0;
}

}  // namespace

Outcome convertTable(ExportRun& run, const std::string& folder, const std::string& name) {
    const std::string path = platform::joinPath(folder, name);
    const std::string shown = platform::printablePath(name);
    auto notConverted = [&](const std::string& line) {
        run.console.writeLine(line + "; not converted");
        ++run.tablesNotConverted;
        return Outcome::notConverted;
    };
    auto unreadable = [&] { return notConverted(" " + shown + " cannot be read (open in another program?)"); };
    auto damaged = [&](long long line, const std::string& cause) {
        return notConverted(" damaged table " + shown + ", line " + std::to_string(line) + ": " + cause);
    };

    if (!readHead(run, path)) return unreadable();
    TablePlan& plan = run.plan;
    Damage damage;
    switch (planTable(run.head[0], run.head[1], run.head[2], plan, damage)) {
        case PlanResult::notATable:
            run.console.writeLine(" skipped " + shown + ": not a daily, Normal or Fraction table");
            return Outcome::notATable;
        case PlanResult::damaged: return damaged(damage.line, damage.cause);
        case PlanResult::noCompleteTime:
            return notConverted(" no complete date and time in " + shown + " (" + damage.cause +
                                "): next time choose the time format yyyy-mm-dd hh:nn:ss, or the variables 1 and 2");
        case PlanResult::table: break;
    }

    // First pass: the number of data lines. Empty lines may follow the
    // last one, as a spreadsheet saves them.
    TableLines& lines = run.lines;
    std::string_view line;
    long long lastFilled = kHeadLines;
    run.firstDataLine.clear();
    for (TableLines::Next next; (next = lines.next(line)) != TableLines::Next::end;) {
        if (next == TableLines::Next::readError) return unreadable();
        if (next == TableLines::Next::tooLong)
            return damaged(lines.lineNumber(), "a line of more than " + std::to_string(TableLines::kBlockSize) +
                                                   " characters");
        if (lines.lineNumber() - kHeadLines > kMaxDataLines)
            return damaged(lines.lineNumber(), "more than " + std::to_string(kMaxDataLines) +
                                                   " data lines, more than a table of the programs has");
        if (line.empty()) continue;
        if (lastFilled == kHeadLines) run.firstDataLine.assign(line);
        lastFilled = lines.lineNumber();
    }
    const long long count = lastFilled - kHeadLines;
    if (count == 0) return damaged(kHeadLines + 1, "no data line");
    adjustToFirstLine(plan, run.firstDataLine);

    Dataset dataset;
    DatasetIds ids;
    defineDataset(dataset, plan, static_cast<size_t>(count), name, ids);

    // Second pass: the data lines into the dataset, a block of rows at a time.
    if (!lines.rewind()) return unreadable();
    for (int i = 0; i < kHeadLines; ++i) lines.next(line);
    Rows& rows = run.rows;
    prepareRows(plan, rows);
    std::string cause;
    size_t firstRow = 0;
    for (long long i = 0; i < count; ++i) {
        const TableLines::Next next = lines.next(line);
        if (next == TableLines::Next::readError) return unreadable();
        if (next != TableLines::Next::line) return damaged(lines.lineNumber(), "the table changed while it was read");
        if (line.empty()) return damaged(lines.lineNumber(), "an empty line");
        if (!readDataLine(plan, line, rows, cause)) return damaged(lines.lineNumber(), cause);
        if (rows.count == Rows::kRows) {
            putRows(dataset, ids, plan, rows, firstRow);
            firstRow += Rows::kRows;
        }
    }
    putRows(dataset, ids, plan, rows, firstRow);
    lines.close();

    const std::string datasetName = name + ".nc";
    platform::OutputFile file(platform::joinPath(folder, datasetName));
    dataset.writeTo(file);
    file.commit();
    ++run.datasetsWritten;
    run.console.writeLine(" written " + platform::printablePath(datasetName) + ": " + std::string(kindName(plan.kind)) + ", " +
                          std::to_string(count) + " lines");
    return Outcome::written;
}

}  // namespace ncexport
