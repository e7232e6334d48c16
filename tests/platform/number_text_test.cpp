#include "platform/number_text.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <random>
#include <vector>

using namespace platform;

TEST(FixedText, HalvesGoAwayFromZeroOnTheExactBinaryValue) {
    EXPECT_EQ(formatFixed(0.125, 2), "0.13");
    EXPECT_EQ(formatFixed(-0.125, 2), "-0.13");
    EXPECT_EQ(formatFixed(2.5, 0), "3");
    EXPECT_EQ(formatFixed(3.5, 0), "4");
    EXPECT_EQ(formatFixed(-2.5, 0), "-3");
    EXPECT_EQ(formatFixed(0.5, 0), "1");
    EXPECT_EQ(formatFixed(1237.5, 1), "1237.5");
    // 0.15 is stored a little below 0.15: it is no tie and rounds down.
    EXPECT_EQ(formatFixed(0.15, 1), "0.1");
    // 2.675 is stored below the midpoint as well.
    EXPECT_EQ(formatFixed(2.675, 2), "2.67");
    EXPECT_EQ(formatFixed(1.0 / 3.0, 3), "0.333");
}

TEST(FixedText, MinusFollowsTheSignBit) {
    EXPECT_EQ(formatFixed(-0.3, 0), "-0");
    EXPECT_EQ(formatFixed(-0.004, 2), "-0.00");
    EXPECT_EQ(formatFixed(-0.0, 0), "-0");
    EXPECT_EQ(formatFixed(-0.0, 2), "-0.00");
    EXPECT_EQ(formatFixed(0.0, 2), "0.00");
    EXPECT_EQ(formatFixed(0.4, 0), "0");
}

TEST(FixedText, NoPointWithoutDecimalsAndNoPadding) {
    EXPECT_EQ(formatFixed(50315.0, 0), "50315");
    EXPECT_EQ(formatFixed(12.0, 3), "12.000");
    EXPECT_EQ(formatFixed(-150.0 / 1000.0, 3), "-0.150");
    EXPECT_EQ(formatFixed(123456789.0, 1), "123456789.0");
    EXPECT_EQ(formatInt(-42), "-42");
    EXPECT_EQ(formatInt(0), "0");
}

TEST(RealParsing, AcceptsOnlyTheWholeNotation) {
    double v = 0;
    EXPECT_TRUE(parseReal("1.5", v)); EXPECT_EQ(v, 1.5);
    EXPECT_TRUE(parseReal("+2", v)); EXPECT_EQ(v, 2.0);
    EXPECT_TRUE(parseReal("-0.15e1", v)); EXPECT_EQ(v, -1.5);
    EXPECT_TRUE(parseReal("1E+2", v)); EXPECT_EQ(v, 100.0);
    EXPECT_TRUE(parseReal(".5", v)); EXPECT_EQ(v, 0.5);
    EXPECT_TRUE(parseReal("5.", v)); EXPECT_EQ(v, 5.0);
    for (const char* bad : {"", " 1", "1 ", "3,5", "abc", "1e", "inf", "nan", "0x10", ".", "-", "+-1",
                            "1.2.3", "red"}) {
        EXPECT_FALSE(parseReal(bad, v)) << bad;
    }
}

TEST(RealParsing, LongestLeadingNumber) {
    EXPECT_EQ(realNotationLength("12.5abc"), 4u);
    EXPECT_EQ(realNotationLength("-3e2x"), 4u);
    EXPECT_EQ(realNotationLength("7e"), 1u);
    EXPECT_EQ(realNotationLength("abc"), 0u);
    EXPECT_EQ(realNotationLength("-.x"), 0u);
}

TEST(FloatParsing, GoesStraightToTheNearestSingle) {
    // 1.00000005960464477539 lies exactly between two floats: via double it
    // would be rounded twice. Straight parsing gives the correctly rounded
    // float of the decimal text.
    float f = 0;
    ASSERT_TRUE(parseFloat("1.000000059604644775390625001", f));
    EXPECT_EQ(f, std::nextafter(1.0f, 2.0f));
    ASSERT_TRUE(parseFloat("-12.5", f));
    EXPECT_EQ(f, -12.5f);
    EXPECT_FALSE(parseFloat("12,5", f));
}

TEST(IntParsing, StrictAndRangeChecked) {
    long long v = 0;
    int32_t w = 0;
    EXPECT_TRUE(parseInt("-17", v)); EXPECT_EQ(v, -17);
    EXPECT_TRUE(parseInt("+17", v)); EXPECT_EQ(v, 17);
    EXPECT_FALSE(parseInt("17a", v));
    EXPECT_FALSE(parseInt("1.0", v));
    EXPECT_FALSE(parseInt("", v));
    EXPECT_FALSE(parseInt("99999999999999999999", v));
    EXPECT_TRUE(parseInt32("2147483647", w));
    EXPECT_FALSE(parseInt32("2147483648", w));
}

TEST(Rounding, HalvesToEven) {
    EXPECT_EQ(roundHalfEven(2.5), 2.0);
    EXPECT_EQ(roundHalfEven(3.5), 4.0);
    EXPECT_EQ(roundHalfEven(-2.5), -2.0);
    EXPECT_EQ(roundHalfEven(-0.5), -0.0);
    EXPECT_EQ(roundHalfEven(1.5), 2.0);
    EXPECT_EQ(roundHalfEven(12.4), 12.0);
    EXPECT_EQ(roundHalfEven(7.5000001), 8.0);
    EXPECT_EQ(roundHalfEvenToInt(-3.5), -4);
    EXPECT_THROW(roundHalfEvenToInt(1e30), std::exception);
}

namespace {

// The plain way to the same text: exact decimal expansion by to_chars (which
// rounds exact ties to even), with an exact tie moved outward first.
std::string referenceFixed(double v, int decimals) {
    double scaled = std::ldexp(std::fabs(v), decimals + 1);
    if (std::isfinite(scaled) && scaled == std::floor(scaled) && scaled < 0x1p53 &&
        std::fmod(scaled, 2.0) == 1.0)
        v = std::nextafter(v, std::signbit(v) ? -INFINITY : INFINITY);
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, res.ptr);
}

}  // namespace

TEST(FixedText, QuickDigitsAgreeWithTheExactExpansion) {
    std::mt19937_64 random(99);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> values = {0.5,  1.5,    2.5,   -0.5, -2.5,    -0.3,   -0.0, 0.0,
                                  0.49999999999999994, 1e15, 4.5e15, -7e18, 1e19, 123.456,
                                  -0.004, 1e300, 0x1p40, 0x1p40 - 0.5, 0x1p52 + 1, 999999999999999.0};
    for (int i = 0; i < 40000; ++i) {
        const double scale = std::pow(10.0, static_cast<int>(random() % 12) - 3);
        values.push_back((static_cast<double>(random() % 2000001) - 1000000) / 1000 * scale);
        // Exact binary fractions (ties at every number of decimals), decimal
        // halves just off the tie in binary, single floats and plain doubles.
        values.push_back(std::ldexp(static_cast<double>(random() % 2000001) - 1000000,
                                    -static_cast<int>(random() % 14)));
        values.push_back((static_cast<double>(random() % 2000001) - 1000000) / 1000 + 0.0005);
        values.push_back(static_cast<float>(uniform(random) * scale));
        values.push_back(uniform(random) * scale);
    }
    for (double v : values)
        for (int decimals : {0, 1, 2, 3, 4, 5, 8, 12}) {
            ASSERT_EQ(formatFixed(v, decimals), referenceFixed(v, decimals)) << v << " " << decimals;
            ASSERT_EQ(formatFixed(-v, decimals), referenceFixed(-v, decimals)) << -v << " " << decimals;
        }
    char text[kFixedTextRoom];
    EXPECT_EQ(std::string(text, writeFixed(text, -1.5, 0)), "-2");
}
