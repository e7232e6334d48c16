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

TEST(Parallel, PiecesAreUsedInOrderAndAFailureComesAtItsTurn) {
    // Each piece leaves its result in its slot; the use checks that it is
    // the piece's own. Piece 150 fails: pieces 0..149 are used, no other.
    constexpr int kWindow = 8;
    long slots[kWindow] = {};
    std::vector<long> used;
    try {
        platform::forEachInOrder(
            200, kWindow,
            [&](long i) {
                if (i == 150) throw std::runtime_error("150");
                slots[i % kWindow] = i * i;
            },
            [&](long i) {
                EXPECT_EQ(slots[i % kWindow], i * i);
                used.push_back(i);
            },
            4);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "150");
    }
    ASSERT_EQ(used.size(), 150u);
    for (long i = 0; i < 150; ++i) EXPECT_EQ(used[static_cast<size_t>(i)], i);
}
