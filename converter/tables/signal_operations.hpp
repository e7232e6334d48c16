// The numeric operations of a cycle's line: the robust mean of the raw
// readings, the extra corrections of the channel signals, the scaling to
// concentrations, the noise estimate and the mobility model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "converter/input/fraction_tables.hpp"
#include "converter/input/raw_store.hpp"

namespace converter {

// Values of one cycle or window, in record order. Its buffers keep their
// room between uses: reserve once for the longest list, then clear() and
// add() allocate nothing.
struct ValueList {
    std::vector<double> values;

    // Working room of trimmedMean.
    struct Ranked {
        double value;
        uint32_t index;
    };
    std::vector<Ranked> ranked;
    std::vector<unsigned char> removed;

    void reserve(size_t n);
    void clear() { values.clear(); }
    void add(double v) { values.push_back(v); }
    size_t size() const { return values.size(); }
};

// Robust mean: k = (n + 1) div 4 times the smallest and then the largest
// remaining value are removed (of equal values the one added first), and the
// rest is summed in list order and divided by its number. 0 for an empty
// list (a grid cycle whose zero window holds no zero record has zero signal
// 0). Long lists are ranked by sorting, with exactly the same values removed.
double trimmedMean(ValueList& list);

// trimmedMean of each of the 70 channel readings (fields 5..74) over the
// given records, into means[5..74]. The readings are whole numbers, so every
// partial sum of trimmedMean is exact and the result is the exact sum of the
// values left after removing the k smallest and k largest, divided by their
// number: the same double, found without the scans. `column` is working room.
void channelTrimmedMeans(const RawStore& store, const std::vector<int32_t>& records,
                         std::vector<int32_t>& column, double means[87]);

// Indices into a cycle's values, which follow the raw field numbers:
// channel i of the positive polarity at 5 + i, of the negative at 40 + i.
inline constexpr int kPositive = 5;
inline constexpr int kNegative = 40;

// Moves the negative part of a channel pair onto its partner when the pair's
// sum is not negative.
void correctDustPulses(double cycleValues[87]);

// Corrects each polarity for the overlap of neighbouring channels, channel 0
// to 34 in turn, each seeing the corrected values of the channels below it.
void correctResolution(const FractionTables& tables, double cycleValues[87]);

// The instrument's coefficients from the raw header.
struct InstrumentCoefficients {
    double positive = 0;     // headerParam4: positive signal to concentration
    double negative = 0;     // headerParam5: negative signal to concentration
    double loss = 0;         // headerParam6: coefficient of the loss factor
    double lowMobility = 0;  // headerParam7: coefficient of the low-mobility factor
};

struct ConcentrationScale {
    double positive = 0;  // K+
    double negative = 0;  // K-
};

// Diffusion-loss factor of a channel of mobility Z at temperature T (degC)
// and pressure p (mb).
double lossFactor(double Z, double T, double p, double lossCoefficient);

// Loss factors of the 35 channels at T and p; the same numbers as lossFactor
// for every channel, with the parts common to all channels computed once.
void channelLossFactors(const FractionTables& tables, double T, double p, double lossCoefficient,
                        double loss[35]);

// Turns the corrected signals of entries 5..74 into concentrations per
// decade of mobility; returns K+ and K-.
ConcentrationScale scaleToConcentration(const FractionTables& tables,
                                        const InstrumentCoefficients& coefficients,
                                        double cycleValues[87], double supply, double battSum,
                                        double T, double p);
// The same with the channels' loss factors given.
ConcentrationScale scaleToConcentration(const FractionTables& tables,
                                        const InstrumentCoefficients& coefficients,
                                        double cycleValues[87], double supply, double battSum,
                                        const double loss[35]);

struct NoisePair {
    double positive = 0;
    double negative = 0;
};

// Noise of the zero signals (entries 5..74), before scaling.
NoisePair estimateNoise(const double zeroValues[87]);

double collisionIntegral(double x);

// Electrical mobility (cm2/(V s)) of a particle of mass diameter d (nm) at
// temperature T (degC) and pressure p (mb). NaN when the air state admits
// no answer (the effective-temperature iteration then has no fixed point).
double particleMobility(double d, double T, double p);

}  // namespace converter
