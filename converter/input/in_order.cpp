#include "converter/input/in_order.hpp"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <vector>

#include "platform/parallel.hpp"

namespace converter {

int orderedSlots() { return platform::usableCores(); }

void forEachInOrder(long count, int slots, const std::function<void(long, int)>& prepare,
                    const std::function<bool(long, int)>& handOn,
                    const std::function<void(long, int)>& finish) {
    if (slots < 1) slots = 1;
    std::mutex lock;
    std::condition_variable turnChanged;
    long turn = 0;                  // the piece whose hand-on is next
    std::atomic<bool> stop{false};  // the pieces from the next turn on are not needed
    // A piece has failed after its turn: the ones still waiting for theirs
    // give up, since forEachIndex hands out no further piece after a failure
    // and a turn may never come.
    bool abandoned = false;
    // No more pieces are under way than there are threads, and no more
    // threads than slots: a piece always finds a free slot.
    std::vector<int> freeSlots;
    for (int s = slots - 1; s >= 0; --s) freeSlots.push_back(s);

    platform::forEachIndex(
        count,
        [&](long piece) {
            int slot;
            {
                std::lock_guard<std::mutex> hold(lock);
                slot = freeSlots.back();
                freeSlots.pop_back();
            }
            std::exception_ptr failure;
            auto attempt = [&](const auto& step) {
                if (failure) return;
                try {
                    step();
                } catch (...) {
                    failure = std::current_exception();
                }
            };
            if (!stop.load(std::memory_order_relaxed)) attempt([&] { prepare(piece, slot); });
            bool given = false;
            {
                std::unique_lock<std::mutex> hold(lock);
                turnChanged.wait(hold, [&] { return turn == piece || abandoned; });
                given = turn == piece && !abandoned;
            }
            if (!given) {
                std::lock_guard<std::mutex> hold(lock);
                freeSlots.push_back(slot);
                return;
            }
            // The pieces before this one have all handed on, and none after
            // it hands on before this one has: this thread alone is here.
            bool handedOn = false;
            if (!stop.load(std::memory_order_relaxed))
                attempt([&] {
                    handedOn = true;
                    if (!handOn(piece, slot)) stop.store(true, std::memory_order_relaxed);
                });
            if (failure) stop.store(true, std::memory_order_relaxed);
            {
                std::lock_guard<std::mutex> hold(lock);
                turn = piece + 1;
            }
            turnChanged.notify_all();
            if (handedOn && finish) attempt([&] { finish(piece, slot); });
            {
                std::lock_guard<std::mutex> hold(lock);
                freeSlots.push_back(slot);
            }
            if (failure) {
                stop.store(true, std::memory_order_relaxed);
                {
                    std::lock_guard<std::mutex> hold(lock);
                    abandoned = true;
                }
                turnChanged.notify_all();
                std::rethrow_exception(failure);
            }
        },
        slots);
}

}  // namespace converter
