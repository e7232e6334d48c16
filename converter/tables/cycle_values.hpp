// The steps that standard data and basic data share: the means of a cycle,
// its channel signals with the extra corrections, and the factors of its
// air state.
#pragma once

#include "converter/run.hpp"

namespace converter {

// Fields 2, 3, 4 and 75..84: means over the cycle's records (any kind);
// field 85: the sum.
void cycleMeans(const RawStore& store, int first, int last, double cycleValues[87]);

// Zero-corrected channel signals of the cycle in w.cycleValues[5..74] and
// the zero signals in w.zeroValues[5..74], then the extra corrections in
// force.
void channelSignals(const ConverterRun& run, LineWork& w, int cycle);

// The air factors of (T, p), computed once per air state of `w`; the
// diameter boundaries only when asked for.
const AirFactors& airFactors(const ConverterRun& run, LineWork& w, double T, double p, bool withDiameters);

InstrumentCoefficients instrumentCoefficients(const RawStore& store);

}  // namespace converter
