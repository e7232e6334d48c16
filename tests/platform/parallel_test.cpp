#include "platform/parallel.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(Parallel, EveryIndexOnceAndTheLowestFailureWins) {
    std::vector<std::atomic<int>> calls(1000);
    platform::forEachIndex(1000, [&](long i) { ++calls[i]; }, 4);
    for (auto& c : calls) ASSERT_EQ(c.load(), 1);

    // Many indices fail, in whatever order the threads reach them: the one
    // a plain loop meets first is the one that comes out.
    try {
        platform::forEachIndex(1000, [](long i) {
            if (i % 7 == 3) throw std::runtime_error(std::to_string(i));
        }, 4);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "3");
    }
    EXPECT_GE(platform::usableCores(), 1);
}

}  // namespace
