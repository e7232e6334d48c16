#include "platform/parallel.hpp"

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sched.h>
#endif

namespace platform {

int usableCores() {
#ifdef _WIN32
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0) {
        int count = 0;
        for (; process != 0; process &= process - 1) ++count;
        return count;
    }
#else
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        int count = CPU_COUNT(&set);
        if (count > 0) return count;
    }
#endif
    unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? static_cast<int>(n) : 1;
}

void forEachIndex(long count, const std::function<void(long)>& work, int threads) {
    if (count <= 0) return;
    if (threads <= 0) threads = usableCores();
    if (threads > count) threads = static_cast<int>(count);
    if (threads <= 1) {
        for (long i = 0; i < count; ++i) work(i);
        return;
    }

    std::atomic<long> next{0};
    std::atomic<long> stopAt{count};  // no index from here on is handed out
    std::mutex failureLock;
    long failedIndex = count;
    std::exception_ptr failure;

    auto worker = [&] {
        for (;;) {
            long i = next.fetch_add(1, std::memory_order_relaxed);
            if (i >= stopAt.load(std::memory_order_relaxed)) return;
            try {
                work(i);
            } catch (...) {
                std::lock_guard<std::mutex> hold(failureLock);
                if (i < failedIndex) {
                    failedIndex = i;
                    failure = std::current_exception();
                    stopAt.store(i, std::memory_order_relaxed);
                }
            }
        }
    };

    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<size_t>(threads - 1));
    try {
        for (int t = 1; t < threads; ++t) helpers.emplace_back(worker);
    } catch (...) {
        // No thread to be had: the calling thread does the rest alone.
    }
    worker();
    for (std::thread& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace platform
