#include "converter/input/in_order.hpp"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>

#include "platform/parallel.hpp"

namespace converter {

int orderedSlots() { return platform::usableCores(); }

void forEachInOrder(long count, int slots, const std::function<void(long, int)>& prepare,
                    const std::function<bool(long, int)>& handOn) {
    if (slots < 1) slots = 1;
    std::mutex lock;
    std::condition_variable turnChanged;
    long turn = 0;                   // the piece whose hand-on is next
    std::atomic<bool> stop{false};   // the pieces from the next turn on are not needed

    // Piece i takes slot i % slots. It is free: piece i - slots had it, and
    // until that piece has handed on, the pieces after it cannot hand on
    // either, so all `slots` threads would still be held by pieces
    // i - slots .. i - 1 and none could have started piece i.
    platform::forEachIndex(
        count,
        [&](long piece) {
            const int slot = static_cast<int>(piece % slots);
            std::exception_ptr failure;
            if (!stop.load(std::memory_order_relaxed)) {
                try {
                    prepare(piece, slot);
                } catch (...) {
                    failure = std::current_exception();
                }
            }
            {
                std::unique_lock<std::mutex> hold(lock);
                turnChanged.wait(hold, [&] { return turn == piece; });
            }
            // The pieces before this one have all handed on, and none after
            // it hands on before this one has: this thread alone is here.
            if (!failure && !stop.load(std::memory_order_relaxed)) {
                try {
                    if (!handOn(piece, slot)) stop.store(true, std::memory_order_relaxed);
                } catch (...) {
                    failure = std::current_exception();
                }
            }
            if (failure) stop.store(true, std::memory_order_relaxed);
            {
                std::lock_guard<std::mutex> hold(lock);
                turn = piece + 1;
            }
            turnChanged.notify_all();
            if (failure) std::rethrow_exception(failure);
        },
        slots);
}

}  // namespace converter
