#include "converter/input/in_order.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(InOrder, HandsOnInPieceOrderWithASlotNoOtherPieceHolds) {
    constexpr int kSlots = 4;
    std::atomic<int> holder[kSlots];
    for (auto& h : holder) h = -1;
    std::vector<long> handedOn;
    auto run = [&](long stopAfter, long throwFrom) {
        handedOn.clear();
        converter::forEachInOrder(
            200, kSlots,
            [&](long piece, int slot) {
                int free = -1;
                EXPECT_TRUE(holder[slot].compare_exchange_strong(free, static_cast<int>(piece))) << piece;
                if (piece >= throwFrom) throw std::runtime_error(std::to_string(piece));
            },
            [&](long piece, int slot) {
                handedOn.push_back(piece);
                holder[slot] = -1;
                return piece != stopAfter;
            });
    };
    // Pieces prepared but not handed on keep their slot in this bookkeeping.
    auto release = [&] {
        for (auto& h : holder) h = -1;
    };

    run(-1, 1000);
    ASSERT_EQ(handedOn.size(), 200u);
    for (long i = 0; i < 200; ++i) EXPECT_EQ(handedOn[static_cast<size_t>(i)], i);

    run(50, 1000);  // false from piece 50: nothing after it is handed on
    EXPECT_EQ(handedOn.size(), 51u);
    EXPECT_EQ(handedOn.back(), 50);

    release();
    try {
        run(-1, 30);  // every piece from 30 on throws: 30 is the one that comes out
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "30");
    }
    EXPECT_EQ(handedOn.size(), 30u);
}

}  // namespace
