#include "ncexport/column_names.hpp"

#include <cmath>

#include "platform/number_text.hpp"

namespace ncexport {

namespace {

// Bounds of the instrument's 35 mobility channels, 16 a decade:
// 10^((i - 25) / 16) cm2 V-1 s-1, i = 0..35. Written out, so that every
// system gives the dataset the same bits.
constexpr double kChannelBound[36] = {
    0.027384196342643614, 0.03162277660168379, 0.03651741272548377, 0.042169650342858224,
    0.04869675251658631,  0.05623413251903491, 0.06493816315762113, 0.07498942093324558,
    0.08659643233600653,  0.1,                 0.11547819846894582, 0.1333521432163324,
    0.1539926526059492,   0.1778279410038923,  0.2053525026457146,  0.23713737056616552,
    0.27384196342643613,  0.31622776601683794, 0.3651741272548377,  0.4216965034285822,
    0.4869675251658631,   0.5623413251903491,  0.6493816315762113,  0.7498942093324559,
    0.8659643233600653,   1.0,                 1.1547819846894583,  1.333521432163324,
    1.539926526059492,    1.7782794100389228,  2.0535250264571463,  2.371373705661655,
    2.7384196342643614,   3.1622776601683795,  3.651741272548377,   4.216965034285822};

// Bounds of the ten diameter fractions, 1/8 decade each:
// 0.4216965 * 10^(m / 8) nm, m = 0..10.
constexpr double kDiameterBound[11] = {0.4216965,          0.5623413206182611, 0.7498942032354786,
                                       0.9999999918695502, 1.333521421321195,  1.7782793955807112,
                                       2.3713736863813204, 3.1622776344576398, 4.216965,
                                       5.623413206182612,  7.498942032354786};

struct NamedColumn {
    std::string_view title;  // of a polar column without its "+" or "-"
    std::string_view name;   // of a polar column after "positive_" or "negative_"
    std::string_view longName;  // "{}" stands for "positive" or "negative"
    std::string_view units;
    std::string_view standardName;
    bool polar;
    bool whole;
};

constexpr NamedColumn kNamedColumns[] = {
    {"YYMMDD", "date_code", "date of the line as the number yymmdd (year 2000 + yy)", "", "", false, true},
    {"HHMM", "time_code", "time of day of the line as the number hh * 100 + minutes", "", "", false, true},
    {"DAY", "day_of_year", "day of the year with the fraction of the day (1 January 00:00 = 1.0)", "1", "", false,
     false},
    {"T:C", "air_temperature", "air temperature", "degree_Celsius", "air_temperature", false, false},
    {"RH:%", "relative_humidity", "relative humidity", "percent", "relative_humidity", false, false},
    {"p:mb", "air_pressure", "air pressure", "hPa", "air_pressure", false, false},
    {"noise", "noise", "noise of the zero signals of the {} ions, scaled like a concentration per decade", "cm-3", "",
     true, false},
    {"supply", "supply", "instrument reading: supply", "", "", false, false},
    {"n", "averaged_lines", "number of daily-table lines averaged into the line", "1", "", false, true},
    {"filt", "filter", "instrument reading: filter, {} ions", "", "", true, false},
    {"batt", "battery", "instrument reading: battery, {} ions", "", "", true, false},
    {"bias", "bias", "instrument reading: bias, {} ions", "", "", true, false},
    {"pre%", "pre_percent", "instrument reading: pre%", "", "", false, false},
    {"tau", "tau", "instrument reading: tau", "", "", false, false},
    {"asym", "asymmetry", "instrument reading: asymmetry", "", "", false, false},
    {"N", "low_mobility_ions",
     "concentration of {} ions of low mobility, 0.0316 to 0.487 cm2 V-1 s-1 (mobility channels 1 to 19)", "cm-3", "",
     true, false},
    {"n", "cluster_ions", "concentration of {} cluster ions, 0.487 to 4.22 cm2 V-1 s-1 (mobility channels 20 to 34)",
     "cm-3", "", true, false},
    {"Z", "cluster_ion_mobility",
     "mean electrical mobility of the {} cluster ions (0 when their concentration is below 10 cm-3)", "cm2 V-1 s-1",
     "", true, false},
    {"ovl&sc", "overloads_and_records", "100 * overloads of the measurement cycle + number of its records", "1", "",
     false, true},
    {"regime", "regime_code",
     "regime: output style, two digits of the status word, extra corrections (0 to 3), two more digits of the status "
     "word",
     "", "", false, true},
};

std::string polarText(std::string_view text, bool positive) {
    std::string out(text);
    const size_t at = out.find("{}");
    if (at != std::string::npos) out.replace(at, 2, positive ? "positive" : "negative");
    return out;
}

void addText(Variable& variable, std::string_view name, std::string_view text) {
    if (!text.empty()) variable.attributes.push_back({std::string(name), std::string(text)});
}

Variable describedVariable(std::string name, ValueType type, std::string_view longName, std::string_view units,
                           std::string_view standardName, std::string_view titleAttribute, std::string_view title) {
    Variable variable;
    variable.name = std::move(name);
    variable.type = type;
    addText(variable, "long_name", longName);
    addText(variable, "units", units);
    addText(variable, "standard_name", standardName);
    addText(variable, titleAttribute, title);
    return variable;
}

// A dataset name of a raw title: letters, digits and "_" ("filt+" gives
// "filt_plus"), beginning with a letter.
std::string nameOfTitle(std::string_view title, int column) {
    std::string name;
    for (char c : title) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            name += c;
            continue;
        }
        const std::string_view word = c == '+' ? "plus" : c == '-' ? "minus" : c == '%' ? "percent" : c == '&' ? "and" : "";
        if (!name.empty() && name.back() != '_') name += '_';
        if (!word.empty()) name += std::string(word) + "_";
    }
    // Names of netCDF have at most 256 characters.
    if (name.size() > 64) name.resize(64);
    while (!name.empty() && name.back() == '_') name.pop_back();
    if (name.empty()) return "column_" + std::to_string(column);
    if (!(name[0] >= 'a' && name[0] <= 'z') && !(name[0] >= 'A' && name[0] <= 'Z')) name = "c" + name;
    return name;
}

std::string range(double low, double high) {
    return platform::formatFixed(low, 4) + " to " + platform::formatFixed(high, 4) + " cm2 V-1 s-1";
}

}  // namespace

bool namedColumn(std::string_view title, Variable& variable) {
    for (const NamedColumn& column : kNamedColumns) {
        bool positive = true;
        if (column.polar) {
            if (title.size() != column.title.size() + 1 || title.substr(0, column.title.size()) != column.title ||
                (title.back() != '+' && title.back() != '-'))
                continue;
            positive = title.back() == '+';
        } else if (title != column.title) {
            continue;
        }
        const std::string name =
            column.polar ? std::string(positive ? "positive_" : "negative_") + std::string(column.name)
                         : std::string(column.name);
        variable = describedVariable(name, column.whole ? ValueType::whole : ValueType::real,
                                     polarText(column.longName, positive), column.units, column.standardName,
                                     "column_title", title);
        return true;
    }
    return false;
}

std::string fractionTitle(Shape shape, bool positive, int perDecade, int index, double diameter) {
    const char* sign = positive ? "+" : "-";
    if (shape == Shape::extraDiameter) return "ED" + std::string(sign) + platform::formatFixed(diameter, 3);
    if (shape == Shape::diameter)
        return "D" + std::string(sign) +
               platform::formatFixed(geometricMiddle(diameterBound(index), diameterBound(index + 1)), 3);
    return "Z" + std::string(sign) +
           platform::formatFixed(
               geometricMiddle(mobilityBound(perDecade, index), mobilityBound(perDecade, index + 1)), 3);
}

bool fractionColumn(std::string_view title, FractionColumn& fraction) {
    if (title.size() < 3) return false;
    const size_t signAt = title.substr(0, 2) == "ED" ? 2 : 1;
    if (signAt >= title.size() || (title[signAt] != '+' && title[signAt] != '-')) return false;
    fraction.positive = title[signAt] == '+';
    if (signAt == 2) {
        fraction.shape = Shape::extraDiameter;
        return platform::parseReal(title.substr(3), fraction.diameter) && fraction.diameter > 0 &&
               fraction.diameter < 1e6;
    }
    // The titles the converter writes: the fraction whose middle is
    // nearest to the title's number, if that gives the title.
    double number = 0;
    if (!platform::parseReal(title.substr(2), number)) return false;
    const struct {
        char letter;
        Shape shape;
        int perDecade;
        int count;
    } kinds[] = {{'D', Shape::diameter, 8, kDiameterFractions},
                 {'Z', Shape::mobility, 8, kMobilityFractions},
                 {'Z', Shape::mobility, 16, kMobilityFractions}};
    for (const auto& kind : kinds) {
        if (title[0] != kind.letter) continue;
        auto middle = [&](int i) {
            return kind.shape == Shape::diameter
                       ? geometricMiddle(diameterBound(i), diameterBound(i + 1))
                       : geometricMiddle(mobilityBound(kind.perDecade, i), mobilityBound(kind.perDecade, i + 1));
        };
        int nearest = 0;
        for (int i = 1; i < kind.count; ++i)
            if (std::fabs(middle(i) - number) < std::fabs(middle(nearest) - number)) nearest = i;
        if (fractionTitle(kind.shape, fraction.positive, kind.perDecade, nearest) != title) continue;
        fraction.shape = kind.shape;
        fraction.perDecade = kind.perDecade;
        fraction.index = nearest;
        return true;
    }
    return false;
}

Variable fractionVariable(Shape shape, bool positive, TableKind kind) {
    const bool perFraction = kind == TableKind::fraction;
    std::string longName = polarText("{} ions ", positive);
    std::string name = positive ? "positive_ions_" : "negative_ions_";
    if (shape == Shape::diameter) {
        name += "by_diameter";
        longName += perFraction ? "within the 1/8-decade diameter fractions, dN/dlog10(d) / 8"
                                : "per decade of diameter, dN/dlog10(d), in the 1/8-decade diameter fractions";
    } else if (shape == Shape::mobility) {
        name += "by_mobility";
        longName += perFraction ? "per 1/8 decade of electrical mobility, dN/dlog10(Z) / 8, in the mobility fractions"
                                : "per decade of electrical mobility, dN/dlog10(Z), in the mobility fractions";
    } else {
        name += "at_extra_diameter";
        longName += perFraction ? "per 1/8 decade of diameter, dN/dlog10(d) / 8" : "per decade of diameter, dN/dlog10(d)";
        longName += ", at the extra diameters (interpolated from the diameter fractions)";
    }
    Variable variable = describedVariable(name, ValueType::real, longName, "cm-3", "", "", "");
    variable.shape = shape;
    return variable;
}

Variable basicColumn(int column, int count, std::string_view title) {
    // The time codes and the two counters keep their names of standard data.
    Variable named;
    if (column == count - 1 || column == count) {
        if (namedColumn(title, named)) return named;
    }
    if (column == 1)
        return describedVariable("date_code", ValueType::whole, "date of the cycle as the number yymmdd (year 2000 + yy)",
                                 "", "", "column_title", title);
    if (column == 2)
        return describedVariable("time_code", ValueType::whole,
                                 "time of day of the cycle as the number hh * 10000 + minutes * 100 + seconds", "", "",
                                 "column_title", title);
    std::string longName = "raw field " + std::to_string(column - 1) + " as a cycle value";
    std::string units;
    if (count == 87) {
        // Column c holds raw field c - 1: air state, the channels, the readings.
        if (column == 3) longName = "air temperature in 1/100 degree Celsius (rounded mean of the cycle)";
        if (column == 4) longName = "relative humidity in 1/10 percent (rounded mean of the cycle)";
        if (column == 5) longName = "air pressure in 1/10 hPa (rounded mean of the cycle)";
        if (column >= 6 && column <= 75) {
            const int channel = (column - 6) % 35;
            longName = polarText("{} ions per decade of electrical mobility in mobility channel ", column <= 40) +
                       std::to_string(channel) + ", " + range(kChannelBound[channel], kChannelBound[channel + 1]) +
                       " (rounded)";
            units = "cm-3";
        }
        if (column >= 76 && column <= 85)
            longName = "instrument reading " + std::string(title) + " (rounded mean of the cycle, raw units)";
    }
    return describedVariable(nameOfTitle(title, column), ValueType::whole, longName, units, "", "column_title", title);
}

double diameterBound(int m) { return kDiameterBound[m]; }

double mobilityBound(int perDecade, int a) {
    // 8 a decade: the bounds of channels 1, 3, ..., 33 (two channels a
    // fraction); 16 a decade: those of channels 19 to 35.
    return perDecade == 8 ? kChannelBound[1 + 2 * a] : kChannelBound[19 + a];
}

double geometricMiddle(double low, double high) { return std::sqrt(low * high); }

}  // namespace ncexport
