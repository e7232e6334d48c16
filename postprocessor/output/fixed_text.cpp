#include "postprocessor/output/fixed_text.hpp"

#include <bit>
#include <charconv>
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
            // std::round takes halves away from zero, on the exact product.
            const uint64_t whole = static_cast<uint64_t>(std::round(scaled));
            if (std::signbit(value)) out += '-';
            char digits[24];
            auto end = std::to_chars(digits, digits + sizeof digits, whole / kPowers[decimals]).ptr;
            out.append(digits, end);
            if (decimals > 0) {
                uint64_t part = whole % kPowers[decimals];
                char text[kFastDecimals + 1];
                text[0] = '.';
                for (int i = decimals; i >= 1; --i) {
                    text[i] = static_cast<char>('0' + part % 10);
                    part /= 10;
                }
                out.append(text, static_cast<size_t>(decimals) + 1);
            }
            return;
        }
    }
    platform::appendFixed(out, value, decimals);
}

}  // namespace postprocessor
