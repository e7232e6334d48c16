#include "postprocessor/output/trimmed_mean.hpp"

#include <algorithm>
#include <cmath>

namespace postprocessor {

namespace {

// Trimming steps for three values or more, fixed before the first step.
int trimmingSteps(int count, int g) { return std::min(g, (count - 1) / 2); }

double plainMean(const float* values, int count) {
    double sum = 0;
    for (int i = 0; i < count; ++i) sum += values[i];
    return sum / count;
}

}  // namespace

double trimmedSlotMeanByRemoval(float* values, int count, int g) {
    if (count < 1) return 0;
    if (count == 1) return values[0];
    if (count == 2) return (static_cast<double>(values[0]) + values[1]) / 2;
    const int steps = trimmingSteps(count, g);
    int m = count;
    for (int step = 0; step < steps; ++step) {
        int low = 0, high = 0;
        float lowValue = values[0], highValue = values[0];
        for (int i = 1; i < m; ++i) {
            const float v = values[i];
            if (v < lowValue) lowValue = v, low = i;
            if (v > highValue) highValue = v, high = i;
        }
        // Close up behind the later position first, then behind the earlier.
        const int first = std::min(low, high), second = std::max(low, high);
        if (second != first) {
            for (int i = second; i < m - 1; ++i) values[i] = values[i + 1];
            --m;
        }
        for (int i = first; i < m - 1; ++i) values[i] = values[i + 1];
        --m;
    }
    return plainMean(values, m);
}

// The step-by-step removal takes away the `steps` first-smallest values
// (ordered by value, then position) and the `steps` first-largest (ordered
// by value descending, then position), and these two sets are disjoint,
// unless at some step all values left are equal; then every value that
// stays is that one value. So the thresholds lo (rank steps from below) and
// hi (rank steps from above) decide everything: below lo and above hi go,
// and of the values equal to lo (to hi) the earliest ones go, as many as the
// ranks ask for.
double trimmedSlotMeanBySelection(const float* values, int count, int g, float* work) {
    if (count < 3 || trimmingSteps(count, g) < 1) {
        if (count < 1) return 0;
        if (count == 1) return values[0];
        if (count == 2) return (static_cast<double>(values[0]) + values[1]) / 2;
        return plainMean(values, count);
    }
    const int steps = trimmingSteps(count, g);
    std::copy(values, values + count, work);
    std::nth_element(work, work + steps - 1, work + count);
    const float lo = work[steps - 1];
    std::nth_element(work + steps, work + count - steps, work + count);
    const float hi = work[count - steps];
    // All values that stay are equal; the sum of equal values divided by
    // their number is that value (a zero sum starts from +0).
    if (lo == hi) return 0.0 + static_cast<double>(lo);
    int below = 0, above = 0;
    for (int i = 0; i < count; ++i) {
        below += values[i] < lo;
        above += values[i] > hi;
    }
    int lowTies = steps - below, highTies = steps - above;
    double sum = 0;
    for (int i = 0; i < count; ++i) {
        const float v = values[i];
        if (v < lo || v > hi) continue;
        if (v == lo && lowTies > 0) {
            --lowTies;
            continue;
        }
        if (v == hi && highTies > 0) {
            --highTies;
            continue;
        }
        sum += v;
    }
    return sum / (count - 2 * steps);
}

double trimmedSlotMean(float* values, int count, int g, float* work) {
    if (count >= 3 && trimmingSteps(count, g) >= kSelectionMinSteps) {
        // Selection needs a strict order; a NaN among the values has none.
        bool ordered = true;
        for (int i = 0; i < count && ordered; ++i) ordered = !std::isnan(values[i]);
        if (ordered) return trimmedSlotMeanBySelection(values, count, g, work);
    }
    return trimmedSlotMeanByRemoval(values, count, g);
}

}  // namespace postprocessor
