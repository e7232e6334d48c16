#include "postprocessor/output/fixed_text.hpp"

#include <bit>
#include <cmath>
#include <cstdint>

#include "platform/number_text.hpp"

namespace postprocessor {

namespace {

constexpr int kFastDecimals = 4;
constexpr uint64_t kPowers[kFastDecimals + 1] = {1, 10, 100, 1000, 10000};
// Significant bits of 5^d: 10^d = 5^d × 2^d, and only 5^d widens a product.
constexpr int kFiveBits[kFastDecimals + 1] = {0, 3, 5, 7, 10};

// True when |value| × 10^decimals is exact in a double.
bool scalesExactly(double value, int decimals) {
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
    const int exponent = static_cast<int>((bits >> 52) & 0x7ff);
    if (exponent == 0) return fraction == 0;  // zero; subnormals take the slow road
    const uint64_t significand = fraction | (uint64_t{1} << 52);
    const int significantBits = 53 - std::countr_zero(significand);
    return significantBits + kFiveBits[decimals] <= 53;
}

}  // namespace

void appendFixedFast(std::string& out, double value, int decimals) {
    if (decimals >= 0 && decimals <= kFastDecimals && std::isfinite(value) &&
        scalesExactly(value, decimals)) {
        const double scaled = std::fabs(value) * static_cast<double>(kPowers[decimals]);
        if (scaled < 1e18) {
            // Halves away from zero, on the exact product (the part below
            // the whole number is exact too).
            uint64_t whole = static_cast<uint64_t>(scaled);
            if (scaled - static_cast<double>(whole) >= 0.5) ++whole;
            // Digits from the right into a small buffer, then one append.
            char text[32];
            char* p = text + sizeof text;
            for (int i = 0; i < decimals; ++i) {
                *--p = static_cast<char>('0' + whole % 10);
                whole /= 10;
            }
            if (decimals > 0) *--p = '.';
            do {
                *--p = static_cast<char>('0' + whole % 10);
                whole /= 10;
            } while (whole != 0);
            if (std::signbit(value)) *--p = '-';
            out.append(p, static_cast<size_t>(text + sizeof text - p));
            return;
        }
    }
    platform::appendFixed(out, value, decimals);
}

}  // namespace postprocessor
