// Pieces of the Normal and Fraction tables: output line times, values at
// extra diameters, and the text of one output line.
#pragma once

#include <string>

namespace postprocessor {

struct PostprocessorRun;
struct RunParameters;

// Time stamp of output line g: the middle of its time slot.
double slotMiddleTime(const RunParameters& params, int g);

// The parabola through (-1, yMinus), (0, y0), (+1, yPlus) at u = (x - x0) / step.
double quadraticInterpolation(double yPlus, double y0, double yMinus, double step, double x0, double x);

// Value of variable v (81..100 "ED+", 101..120 "ED-") interpolated from the
// ten D fractions of `row` (78 values, column c at row[c - 1]). A diameter
// number beyond the defined extra diameters ends the run with
// "extra diameter not defined".
double extraDiameterValue(PostprocessorRun& run, const float* row, int v);

// Appends the time column's text for output time t (not for format "x").
void appendTimeText(std::string& out, const PostprocessorRun& run, double t);

}  // namespace postprocessor
