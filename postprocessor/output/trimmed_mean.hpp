// The trimmed mean of the values of one column within one output time slot.
#pragma once

namespace postprocessor {

// Mean of values[0..count) after trimming: t = min(g, (count - 1) div 2)
// steps, each removing the first smallest and the first largest of the
// values left (one value when these are the same, that is when all values
// left are equal). The values left are summed in position order in double
// precision. count 0 gives 0, count 1 the value, count 2 the plain mean of
// the pair. `values` may be reordered or overwritten; `work` must have room
// for `count` floats.
double trimmedSlotMean(float* values, int count, int g, float* work);

// Selecting the thresholds is worth its fixed cost only for several
// trimming steps: trimmedSlotMean does so from this many on.
inline constexpr int kSelectionMinSteps = 4;

// The two ways it is computed, with identical results: step-by-step removal
// and closing up (cheap for few steps), and selection of the two trimming
// thresholds (linear in count, for many values and many steps).
double trimmedSlotMeanByRemoval(float* values, int count, int g);
double trimmedSlotMeanBySelection(const float* values, int count, int g, float* work);

}  // namespace postprocessor
