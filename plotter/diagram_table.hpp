// Diagram tables as KEVORPP writes them: one file per day, named "d" +
// yymmdd + ".xl", no head line, one row per minute label 0, m, 2m, ... 1440
// (m the time step, a divisor of 1440), each row the label and the 20 D
// fractions (ten positive, ten negative, smallest diameter first) as whole
// numbers of ions per cm^3 per decade of diameter, TAB-separated.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/datetime.hpp"
#include "plotter/colour_scale.hpp"

namespace plotter {

inline constexpr int kFractions = 10;  // per polarity
inline constexpr int kTableColumns = 2 * kFractions;
inline constexpr int kMinutesPerDay = 1440;
inline constexpr int kMaxTableRows = kMinutesPerDay + 1;
// The largest file a Diagram table can be: 1441 rows of the minute (at most
// 4 digits) and 20 whole numbers of at most 39 digits (the range of the
// single-precision values KEVORPP writes), TAB-separated, CR LF. A larger
// file is not read.
inline constexpr int kMaxValueDigits = 39;
inline constexpr unsigned long long kMaxTableBytes =
    static_cast<unsigned long long>(kMaxTableRows) * (4 + kTableColumns * (1 + kMaxValueDigits) + 2);

// One day's table with its values turned into colour classes.
struct DayCells {
    int stepMinutes = 0;
    int rowCount = 0;  // 1440 / stepMinutes + 1
    // Row t is the minute t * stepMinutes; column c (0..19) the D fraction
    // c + 1 of the table.
    ColourClass cells[kMaxTableRows][kTableColumns] = {};
};

// Where and why a file is not a Diagram table.
struct TableDamage {
    long long line = 0;
    std::string cause;
};

// Reads the text of a Diagram table (CR LF or LF line ends) into `day`;
// false, with the line and the cause, when the text is not one.
bool readDiagramTable(std::string_view text, DayCells& day, TableDamage& damage);

// The day of a Diagram table's file name, "d" + yymmdd + ".xl" (letter case
// ignored, year 2000 + yy); false for any other name or a date that does
// not exist.
bool diagramTableDay(std::string_view fileName, platform::DateTime& day);

}  // namespace plotter
