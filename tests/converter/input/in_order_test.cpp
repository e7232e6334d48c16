#include "converter/input/in_order.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(InOrder, HandsOnInPieceOrderEachPieceHoldingItsSlotToTheEnd) {
    constexpr int kSlots = 4;
    std::atomic<long> holder[kSlots];
    for (auto& h : holder) h = -1;
    std::vector<long> handedOn;
    std::atomic<long> finished{0};
    converter::forEachInOrder(
        200, kSlots,
        [&](long piece, int slot) {
            long free = -1;
            EXPECT_TRUE(holder[slot].compare_exchange_strong(free, piece)) << piece;
        },
        [&](long piece, int slot) {
            EXPECT_EQ(holder[slot], piece);
            handedOn.push_back(piece);
            return true;
        },
        [&](long piece, int slot) {
            EXPECT_EQ(holder[slot].exchange(-1), piece);
            ++finished;
        });
    ASSERT_EQ(handedOn.size(), 200u);
    for (long i = 0; i < 200; ++i) EXPECT_EQ(handedOn[static_cast<size_t>(i)], i);
    EXPECT_EQ(finished, 200);
}

TEST(InOrder, AFalseHandOnOrAFailureEndsTheRunAtThatPiece) {
    std::vector<long> handedOn;
    auto run = [&](long stopAfter, long throwFrom) {
        handedOn.clear();
        converter::forEachInOrder(
            200, 4,
            [&](long piece, int) {
                if (piece >= throwFrom) throw std::runtime_error(std::to_string(piece));
            },
            [&](long piece, int) {
                handedOn.push_back(piece);
                return piece != stopAfter;
            });
    };
    run(50, 1000);
    EXPECT_EQ(handedOn.size(), 51u);
    EXPECT_EQ(handedOn.back(), 50);
    try {
        run(-1, 30);  // every piece from 30 on throws: 30 is the one that comes out
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "30");
    }
    EXPECT_EQ(handedOn.size(), 30u);
}

}  // namespace
