#include "postprocessor/output/fixed_text.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "platform/number_text.hpp"

using postprocessor::appendFixedFast;

namespace {

std::string fast(double value, int decimals) {
    std::string text = "x";  // appends to what is there
    appendFixedFast(text, value, decimals);
    return text.substr(1);
}

}  // namespace

TEST(AppendFixedFast, SameTextAsThePlatform) {
    EXPECT_EQ(fast(2.5, 0), "3");
    EXPECT_EQ(fast(-0.3, 0), "-0");
    EXPECT_EQ(fast(0.125, 2), "0.13");
    EXPECT_EQ(fast(1e20, 0), "100000000000000000000");
    std::mt19937 random(777);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    for (int i = 0; i < 200000; ++i) {
        const int decimals = static_cast<int>(random() % 6);
        const double scale = std::pow(10.0, random() % 9);
        double value;
        switch (i % 4) {
            case 0: value = static_cast<float>(uniform(random) * scale); break;   // single floats
            case 1: value = uniform(random) * scale; break;                       // doubles
            case 2: value = (static_cast<int>(random() % 20001) - 10000 + 0.5) / std::pow(10.0, random() % 5); break;
            default: value = std::ldexp(static_cast<double>(static_cast<int>(random() % 2001) - 1000), -static_cast<int>(random() % 12));
        }
        if (i % 1000 == 0) value = -0.0;
        ASSERT_EQ(fast(value, decimals), platform::formatFixed(value, decimals)) << value << " " << decimals;
    }
}
