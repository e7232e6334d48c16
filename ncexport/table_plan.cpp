#include "ncexport/table_plan.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ncexport/column_names.hpp"
#include "platform/number_text.hpp"
#include "platform/text.hpp"

namespace ncexport {

namespace {

constexpr std::string_view kSettingsTitles = "Fract\tcorrect\tmult-std\tsm-neg\tsm-tot\ttrim";
constexpr std::string_view kStandardStart = "YYMMDD\tHHMM\tDAY\t";
constexpr std::string_view kBasicStart = "yymmdd\thhnnss\t";

std::vector<std::string_view> splitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

std::string quoted(std::string_view text) { return "\"" + platform::inputExcerpt(text) + "\""; }

PlanResult damaged(Damage& damage, long long line, std::string cause) {
    damage.line = line;
    damage.cause = std::move(cause);
    return PlanResult::damaged;
}

void addGlobal(TablePlan& plan, std::string name, std::string text) {
    plan.globals.push_back({std::move(name), std::move(text)});
}

void addGlobalNumber(TablePlan& plan, std::string name, double number, bool whole) {
    Attribute attribute;
    attribute.name = std::move(name);
    attribute.numeric = true;
    attribute.whole = whole;
    attribute.number = number;
    plan.globals.push_back(std::move(attribute));
}

int addVariable(TablePlan& plan, Variable variable) {
    plan.variables.push_back(std::move(variable));
    return static_cast<int>(plan.variables.size()) - 1;
}

// The columns of a daily table of standard data or of a Normal or Fraction
// table, from `first` on: each title names a variable (one per named
// column, one per polarity and kind of fraction), in the order of the
// columns; a repeated title feeds nothing.
PlanResult planVariables(TablePlan& plan, size_t first, Damage& damage) {
    struct Group {
        Shape shape;
        bool positive;
        int variable;
    };
    std::vector<Group> groups;
    std::vector<std::pair<int, double>> extraColumns;  // column, diameter
    std::vector<std::string> named;                     // titles met so far
    for (size_t c = first; c < plan.titles.size(); ++c) {
        const std::string& title = plan.titles[c];
        Column& column = plan.columns[c];
        Variable variable;
        FractionColumn fraction;
        if (namedColumn(title, variable)) {
            column.type = variable.type;
            if (std::find(named.begin(), named.end(), title) != named.end()) continue;
            named.push_back(title);
            column.variable = addVariable(plan, std::move(variable));
            if (title == "YYMMDD") plan.dateColumn = static_cast<int>(c);
            if (title == "HHMM") plan.clockColumn = static_cast<int>(c);
            if (title == "DAY") plan.dayColumn = static_cast<int>(c);
            continue;
        }
        if (!fractionColumn(title, fraction))
            return damaged(damage, 3, quoted(title) + " in column " + std::to_string(c + 1) +
                                          " is no title of a daily, Normal or Fraction table");
        if (fraction.shape == Shape::mobility) {
            if (plan.mobilityFractionsPerDecade == 0) plan.mobilityFractionsPerDecade = fraction.perDecade;
            if (fraction.perDecade != plan.mobilityFractionsPerDecade)
                return damaged(damage, 3, "mobility fractions of 8 and of 16 a decade in one table (column " +
                                              std::to_string(c + 1) + ", " + quoted(title) + ")");
        }
        if (fraction.shape == Shape::diameter) plan.diameterFractions = true;
        auto group = std::find_if(groups.begin(), groups.end(), [&](const Group& g) {
            return g.shape == fraction.shape && g.positive == fraction.positive;
        });
        if (group == groups.end()) {
            // Its titles are known once every column has been seen.
            Variable fractions = fractionVariable(fraction.shape, fraction.positive, plan.kind);
            groups.push_back({fraction.shape, fraction.positive, addVariable(plan, std::move(fractions))});
            group = groups.end() - 1;
        }
        if (std::find(named.begin(), named.end(), title) != named.end()) continue;
        named.push_back(title);
        column.variable = group->variable;
        column.offset = fraction.index;
        if (fraction.shape == Shape::extraDiameter) {
            extraColumns.emplace_back(static_cast<int>(c), fraction.diameter);
            plan.extraDiameters.push_back(fraction.diameter);
        }
    }
    // Extra diameters of both polarities share one axis, in ascending order.
    std::vector<double>& extras = plan.extraDiameters;
    std::sort(extras.begin(), extras.end());
    extras.erase(std::unique(extras.begin(), extras.end()), extras.end());
    for (const auto& [c, diameter] : extraColumns)
        plan.columns[static_cast<size_t>(c)].offset =
            static_cast<int>(std::lower_bound(extras.begin(), extras.end(), diameter) - extras.begin());
    for (const Group& group : groups) {
        const int count = group.shape == Shape::diameter   ? kDiameterFractions
                          : group.shape == Shape::mobility ? kMobilityFractions
                                                           : static_cast<int>(extras.size());
        // The titles along the second dimension: the table's own, and those
        // of the fractions it has no column for.
        std::vector<std::string> titles;
        for (int i = 0; i < count; ++i)
            titles.push_back(fractionTitle(group.shape, group.positive, plan.mobilityFractionsPerDecade, i,
                                           group.shape == Shape::extraDiameter ? extras[static_cast<size_t>(i)] : 0));
        for (size_t c = first; c < plan.titles.size(); ++c)
            if (plan.columns[c].variable == group.variable)
                titles[static_cast<size_t>(plan.columns[c].offset)] = plan.titles[c];
        std::string joined;
        for (const std::string& title : titles) joined += (joined.empty() ? "" : " ") + title;
        plan.variables[static_cast<size_t>(group.variable)].attributes.push_back({"column_titles", joined});
    }
    return PlanResult::table;
}

// The settings line of a Normal or Fraction table: the kind, then the
// correction method, the outlier multiplier, the two smoothing levels and
// the trimming degree.
bool readSettings(TablePlan& plan, std::string_view line) {
    const std::vector<std::string_view> fields = splitTabs(line);
    if (fields.size() != 6 || (fields[0] != "0" && fields[0] != "1")) return false;
    plan.kind = fields[0] == "0" ? TableKind::normal : TableKind::fraction;
    int32_t method = 0, negative = 0, total = 0, trim = 0;
    double multiplier = 0;
    if (!platform::parseInt32(fields[1], method) || !platform::parseReal(fields[2], multiplier) ||
        !platform::parseInt32(fields[3], negative) || !platform::parseInt32(fields[4], total) ||
        !platform::parseInt32(fields[5], trim) || !std::isfinite(multiplier))
        return false;
    const char* methods[] = {"no correction", "outliers", "dust pulses", "outliers and dust pulses"};
    std::string history = "KEVORPP " + std::string(kindName(plan.kind)) + ": correction method " +
                          std::string(fields[1]);
    if (method >= 0 && method <= 3) history += " (" + std::string(methods[method]) + ")";
    history += ", outlier multiplier " + std::string(fields[2]) + ", smoothing of negatives " +
               std::string(fields[3]) + ", total smoothing " + std::string(fields[4]) + ", trimming degree " +
               std::string(fields[5]);
    addGlobal(plan, "history", history);
    addGlobalNumber(plan, "correction_method", static_cast<double>(method), true);
    addGlobalNumber(plan, "outlier_multiplier", multiplier, false);
    addGlobalNumber(plan, "negative_smoothing_level", static_cast<double>(negative), true);
    addGlobalNumber(plan, "total_smoothing_level", static_cast<double>(total), true);
    addGlobalNumber(plan, "trimming_degree", static_cast<double>(trim), true);
    return true;
}

// Where a Normal or Fraction table's lines get their time: the time column
// when its pattern holds a whole date and time, else variables 1 and 2.
PlanResult planNormalTime(TablePlan& plan, Damage& damage) {
    if (plan.timeColumn >= 0) {
        const std::string& format = plan.titles[0];
        const std::string shown = "the time column \"" + format + "\"";
        if (format == "t.f") {
            plan.timeSource = TimeSource::serialDays;
            plan.timeLongName = "middle of the output time interval, from " + shown + " (days since 1899-12-30)";
            return PlanResult::table;
        }
        // An empty format writes the date and the time with seconds.
        plan.pattern = compilePattern(format.empty() ? "yyyy-mm-dd hh:nn:ss" : format);
        if (plan.pattern.complete) {
            plan.timeSource = TimeSource::pattern;
            plan.timeLongName = "middle of the output time interval, as written in " + shown;
            return PlanResult::table;
        }
    }
    if (plan.dateColumn >= 0 && plan.clockColumn >= 0) {
        plan.timeSource = TimeSource::dateAndHhmm;
        plan.timeLongName = "middle of the output time interval to the minute, from YYMMDD and HHMM";
        return PlanResult::table;
    }
    damage.line = 3;
    damage.cause = plan.timeColumn >= 0 ? "time column " + quoted(plan.titles[0]) : "no time column";
    return PlanResult::noCompleteTime;
}

}  // namespace

bool looksLikeTable(std::string_view line1, std::string_view line3) {
    return line1 == kSettingsTitles || line3.substr(0, kStandardStart.size()) == kStandardStart ||
           line3.substr(0, kBasicStart.size()) == kBasicStart;
}

std::string_view kindName(TableKind kind) {
    switch (kind) {
        case TableKind::dailyStandard: return "daily table of standard data";
        case TableKind::dailyBasic: return "daily table of basic data";
        case TableKind::normal: return "Normal table";
        default: return "Fraction table";
    }
}

PlanResult planTable(std::string_view line1, std::string_view line2, std::string_view line3, TablePlan& plan,
                     Damage& damage) {
    plan = TablePlan{};
    if (!looksLikeTable(line1, line3)) return PlanResult::notATable;
    const bool normal = line1 == kSettingsTitles;
    if (normal && !readSettings(plan, line2))
        return damaged(damage, 2, "not the six settings Fract, correct, mult-std, sm-neg, sm-tot and trim");
    if (!normal) plan.kind = line3.substr(0, kBasicStart.size()) == kBasicStart ? TableKind::dailyBasic
                                                                                : TableKind::dailyStandard;
    for (std::string_view title : splitTabs(line3)) plan.titles.emplace_back(title);
    if (plan.titles.size() > kMaxColumns)
        return damaged(damage, 3, std::to_string(plan.titles.size()) + " columns, more than a table has (" +
                                      std::to_string(kMaxColumns) + ")");
    plan.columns.resize(plan.titles.size());

    if (plan.kind == TableKind::dailyBasic) {
        const int count = static_cast<int>(plan.titles.size());
        if (count < 4) return damaged(damage, 3, "a basic-data table with fewer than 4 columns");
        for (int c = 1; c <= count; ++c) {
            Variable variable = basicColumn(c, count, plan.titles[static_cast<size_t>(c - 1)]);
            // Raw titles may repeat, give one name twice or the name of the
            // time: the column number tells them apart.
            auto taken = [&](const std::string& name) {
                return name == "time" || std::any_of(plan.variables.begin(), plan.variables.end(),
                                                     [&](const Variable& earlier) { return earlier.name == name; });
            };
            while (taken(variable.name)) variable.name += "_" + std::to_string(c);
            plan.columns[static_cast<size_t>(c - 1)] = {addVariable(plan, std::move(variable)), 0, ValueType::whole};
        }
        plan.timeSource = TimeSource::clockCode;
        plan.dateColumn = 0;
        plan.clockColumn = 1;
        plan.timeLongName = "time of the cycle, from yymmdd and hhnnss";
    } else {
        size_t first = 0;
        Variable probe;
        FractionColumn fraction;
        // A Normal or Fraction table begins with the time column unless the
        // user chose none ("x"); its head is the time format.
        if (normal && !namedColumn(plan.titles[0], probe) && !fractionColumn(plan.titles[0], fraction)) {
            plan.timeColumn = 0;
            first = 1;
        }
        const PlanResult result = planVariables(plan, first, damage);
        if (result != PlanResult::table) return result;
        if (normal) {
            const PlanResult time = planNormalTime(plan, damage);
            if (time != PlanResult::table) return time;
        } else {
            plan.timeSource = TimeSource::dayFraction;
            plan.timeLongName = "time of the cycle, from the date YYMMDD and the fraction of the day of DAY";
        }
    }
    if (!normal) {
        addGlobal(plan, "history", "KEVORCV " + std::string(kindName(plan.kind)) +
                                       "; the instrument's header lines:\n" + std::string(line1) + "\n" +
                                       std::string(line2));
        addGlobal(plan, "instrument_header_1", std::string(line1));
        addGlobal(plan, "instrument_header_2", std::string(line2));
    }
    return PlanResult::table;
}

void adjustToFirstLine(TablePlan& plan, std::string_view firstDataLine) {
    if (plan.kind != TableKind::dailyStandard || plan.clockColumn < 0) return;
    const std::vector<std::string_view> fields = splitTabs(firstDataLine);
    const size_t c = static_cast<size_t>(plan.clockColumn);
    if (c >= fields.size() || fields[c].find('.') == std::string_view::npos) return;
    plan.columns[c].type = ValueType::real;
    Variable& variable = plan.variables[static_cast<size_t>(plan.columns[c].variable)];
    variable.type = ValueType::real;
    variable.attributes.front().text += " (a half minute as .5)";
}

}  // namespace ncexport
