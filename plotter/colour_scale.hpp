// The colour scale of the pictures: ion concentrations per decade of
// diameter on a log scale from 10 to 10000 cm^-3, in 16 steps a decade, each
// step a colour of the viridis map (dark violet for few ions, yellow for
// many). Zero, which a Diagram table holds where there was no data or a
// negative value was clipped, is a neutral grey that is not in the map.
//
// The scale is the same for every picture, so days, months and runs can be
// compared by eye. Concentrations are whole numbers in the tables, so a
// value's step is found by comparing with whole-number thresholds: no
// logarithm, and the same colour on every system.
#pragma once

#include <cstdint>
#include <string_view>

namespace plotter {

inline constexpr int kStepsPerDecade = 16;
inline constexpr int kDecades = 3;                           // 10^1 .. 10^4
inline constexpr int kColourSteps = kStepsPerDecade * kDecades;
inline constexpr std::uint64_t kScaleBottom = 10;            // cm^-3
inline constexpr std::uint64_t kScaleTop = 10000;

// Colour classes of a cell: 0 is zero (no data); 1..kColourSteps are the
// steps of the bar from the bottom.
using ColourClass = std::uint8_t;
inline constexpr ColourClass kZeroClass = 0;

// The class of a concentration; values below the scale take the bottom
// step, values above it the top step.
ColourClass colourClassOf(std::uint64_t concentration);

// The lowest whole concentration of step `step` (1..kColourSteps): 1 for the
// bottom step, else the smallest whole number at or above
// 10^(1 + (step - 1) / 16).
std::uint64_t stepThreshold(int step);

// "#rrggbb" of a class (the neutral grey for kZeroClass).
std::string_view colourOf(ColourClass colourClass);

inline constexpr std::string_view kZeroColour = "#c8c8c8";

}  // namespace plotter
