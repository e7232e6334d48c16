#include "postprocessor/input/text_scanner.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

using postprocessor::TextScanner;

namespace {

uint32_t bitsOf(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// The scanner's reading of one token against the general parser, near the
// end of the text and with more text behind it.
void expectSameAsParseFloat(const std::string& token) {
    for (const char* tail : {"\t7\r\n", "\t7\t8\t9\t10\t11\t12\t13\t14\r\n"}) {
        std::string text = token + tail;
        TextScanner scan(text);
        float fast = -1, general = -1;
        std::string_view read;
        bool parsed = platform::parseFloat(token, general) && !std::isinf(general);
        TextScanner::Number result = scan.nextFloat(fast, read);
        EXPECT_EQ(read, token);
        ASSERT_EQ(result == TextScanner::Number::read, parsed) << token;
        if (parsed) {
            EXPECT_EQ(bitsOf(fast), bitsOf(general)) << token;
        }
        float next = 0;
        EXPECT_EQ(scan.nextFloat(next, read), TextScanner::Number::read);
        EXPECT_EQ(next, 7.0f);
    }
}

}  // namespace

TEST(TextScanner, ReadsEveryNumberAsTheNearestSingleFloat) {
    for (const char* token : {"0", "-0", "+0", "0.0", "-0.00", "1", "16777215", "16777216", "16777217", "33554433",
                              "0.1", "0.3", "1013.25", "-12.34", "354.5001", "9999999.9", "0.0000000001",
                              "0.00000000001", "123456789012345678901234", ".5", "5.", "+3.25", "00012.50", "1e5",
                              "2.5E-3", "-1e-50", "3.4028235e38", "1e39", "-1e39", "12,5", "-", ".", "+", "1e",
                              "1.2.3", "nan", "inf", "0x10", "--1", "5-", "1234567.1234567", "12345678.5",
                              "-.5", "0.12345678", "9\xfa"})
        expectSameAsParseFloat(token);

    std::mt19937_64 random(2011);
    for (int i = 0; i < 20000; ++i) {
        uint64_t digits = random() % (i % 2 ? 100000000ull : 30000000ull);
        int decimals = static_cast<int>(random() % 12);
        std::string text = std::to_string(digits);
        if (decimals > 0) {
            if (static_cast<int>(text.size()) <= decimals) text.insert(0, decimals - text.size() + 1, '0');
            text.insert(text.size() - decimals, ".");
        }
        if (random() % 3 == 0) text.insert(0, "-");
        expectSameAsParseFloat(text);
    }
}
