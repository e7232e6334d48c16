// What KEVORNC makes of a table: its kind, the variable of the dataset that
// each column feeds, and the columns that give a line its time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ncexport/line_time.hpp"

namespace ncexport {

enum class TableKind { dailyStandard, dailyBasic, normal, fraction };

// A table has at most the time column and 120 variables.
inline constexpr size_t kMaxColumns = 121;

// The dimensions of a variable after time: none, or the ten diameter
// fractions, the sixteen mobility fractions, the extra diameters.
enum class Shape { line, diameter, mobility, extraDiameter };

enum class ValueType { real, whole };  // float32, int32

struct Attribute {
    std::string name;
    std::string text;
    bool numeric = false;  // then `number`, an int32 when `whole`, else a float64
    bool whole = false;
    double number = 0;
};

struct Variable {
    std::string name;
    Shape shape = Shape::line;
    ValueType type = ValueType::real;
    std::vector<Attribute> attributes;
};

struct Column {
    int variable = -1;  // -1: feeds no variable (the time column, a repeated one)
    int offset = 0;     // along the variable's second dimension
    ValueType type = ValueType::real;
};

enum class TimeSource {
    dayFraction,  // daily table: the date of YYMMDD and the fraction of DAY
    clockCode,    // basic-data daily table: yymmdd and hhnnss
    pattern,      // the time column of a Normal or Fraction table
    serialDays,   // the time column "t.f"
    dateAndHhmm,  // variables 1 and 2, YYMMDD and HHMM
};

struct TablePlan {
    TableKind kind = TableKind::dailyStandard;
    std::vector<std::string> titles;
    std::vector<Column> columns;
    std::vector<Variable> variables;
    std::vector<Attribute> globals;
    std::string timeLongName;
    TimeSource timeSource = TimeSource::dayFraction;
    // Columns of the time (-1: none).
    int timeColumn = -1, dateColumn = -1, clockColumn = -1, dayColumn = -1;
    TimePattern pattern;
    int mobilityFractionsPerDecade = 0;  // 0: no mobility fractions
    bool diameterFractions = false;
    std::vector<double> extraDiameters;  // ascending
};

// Where a file stops being a table of its kind.
struct Damage {
    long long line = 0;
    std::string cause;
};

enum class PlanResult { table, notATable, damaged, noCompleteTime };

// True when the head lines make the file a table KEVORNC converts: a
// Normal or Fraction table (line 1 the settings titles), a daily table of
// standard data (line 3 "YYMMDD", "HHMM", "DAY", ...) or of basic data
// (line 3 "yymmdd", "hhnnss", ...).
bool looksLikeTable(std::string_view line1, std::string_view line3);

// The plan of a table from its head lines. `damage` says what is wrong with
// a damaged head; for noCompleteTime its cause says which time column the
// table has.
PlanResult planTable(std::string_view line1, std::string_view line2, std::string_view line3, TablePlan& plan,
                     Damage& damage);

// A daily table's HHMM is written with a decimal (a half minute) when the
// converter's cycle is an odd number of minutes: then it is kept as a real.
void adjustToFirstLine(TablePlan& plan, std::string_view firstDataLine);

// What a table is, for the console ("Normal table") and the dataset.
std::string_view kindName(TableKind kind);

}  // namespace ncexport
