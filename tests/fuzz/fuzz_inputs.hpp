// The leading bytes of the fuzz inputs that choose a run's settings, shared
// by the targets that read them and the seed maker that writes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// Conversion of raw files: 9 bytes, then up to three raw files.
//   0 outputstyle (mod 3)      1 cycle length (index into the 13 legal ones)
//   2 zerominutes - 3 (raised to the cycle length)
//   3 extracorrect (mod 4); bit 2: the coefficients come from KEVORCV.INI
//   4..7 c_inv_n2, c_inv_n1, c_inv_p1, c_inv_p2 as (byte - 128) / 12.8
//   8 bits 0-2: date of the first file; bit 3: the file itself is dragged
//     (one raw file only), not its folder
inline constexpr size_t kRawPrefix = 9;
inline constexpr size_t kRawFiles = 3;
struct RawCase {
    int outputstyle = 0, cycleminutes = 0, zerominutes = 0, extracorrect = 0;
    bool coefficientsInSettings = false;
    double coefficients[5] = {};  // the four c_inv and z_limit
    int year = 2011, month = 12, day = 20;
    bool dragFile = false;
};
RawCase decodeRawCase(const std::vector<uint8_t>& prefix);
std::vector<uint8_t> encodeRawCase(int outputstyle, int cycleminutes, int zerominutes, int extracorrect);

// Postprocessing of daily tables: 12 bytes, then one or two daily tables.
//   0 method (mod 4)   1 multiplier 3 + (byte mod 61) / 10
//   2 smoothing of negatives (mod 10)   3 total smoothing (mod 11) - 1
//   4 gap filling (mod 2)   5 time step (index into the 36 divisors of 1440)
//   6 trimming degree (mod its bound + 1)   7 table kind N, F, D (mod 3)
//   8 time format (index)   9 variable list (index)
//   10 first day: table date + (mod 3) - 1; days: 1 + (div 3 mod 3)
//   11 bit 0: two dragged items; bits 1-2: number of extra diameters;
//      bit 3: Diagram tables into a subfolder
inline constexpr size_t kTablePrefix = 12;
inline constexpr int kTimeSteps[36] = {1,  2,  3,   4,   5,   6,   8,   9,   10,  12,  15,  16,
                                       18, 20, 24,  30,  32,  36,  40,  45,  48,  60,  72,  80,
                                       90, 96, 120, 144, 160, 180, 240, 288, 360, 480, 720, 1440};
inline constexpr size_t kTableFiles = 2;
std::vector<uint8_t> encodeTableCase(int method, int step, char kind, int variableList);

}  // namespace fuzz
