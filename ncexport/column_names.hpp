// The variables of the dataset as a researcher meets them: the name, long
// name, units and standard name of every column the tables can have, and
// the diameters and mobilities of the fractions.
#pragma once

#include <string>
#include <string_view>

#include "ncexport/table_plan.hpp"

namespace ncexport {

inline constexpr int kDiameterFractions = 10;
inline constexpr int kMobilityFractions = 16;

// The variable of a column with a fixed title ("T:C", "n+", "ovl&sc", and
// "n", the number of averaged lines of the two-file regime); false for any
// other title.
bool namedColumn(std::string_view title, Variable& variable);

// A column of one fraction: "D+0.487" (diameter fraction 0..9), "Z-1.155"
// (mobility fraction 0..15, 8 or 16 fractions per decade), "ED+1.000" (an
// extra diameter).
struct FractionColumn {
    Shape shape = Shape::diameter;
    bool positive = true;
    int index = 0;
    int perDecade = 0;
    double diameter = 0;
};
bool fractionColumn(std::string_view title, FractionColumn& fraction);

// The variable of one polarity's fractions of one shape.
Variable fractionVariable(Shape shape, bool positive, TableKind kind);
// "D+0.487", "Z-2.738", "ED+1.000": the title of a fraction column.
std::string fractionTitle(Shape shape, bool positive, int perDecade, int index, double diameter = 0);

// Column c (1-based) of a basic-data table of `count` columns: the raw
// field c - 1 as a cycle value, named after its title.
Variable basicColumn(int column, int count, std::string_view title);

// Centres and bounds of the fractions: diameters in nm, mobilities in
// cm2 V-1 s-1, evenly spaced in log, each centre the geometric middle of
// its bounds.
double diameterBound(int m);                 // m = 0..10
double mobilityBound(int perDecade, int a);  // a = 0..16
double geometricMiddle(double low, double high);

}  // namespace ncexport
