#include "platform/parallel.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <stdexcept>
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

int threadsFor(long count, int threads) {
    if (count <= 0) return 1;
    if (threads <= 0) threads = usableCores();
    return static_cast<int>(std::min<long>(threads, count));
}

void forEachIndex(long count, const std::function<void(long)>& work, int threads) {
    forEachIndexByThread(count, [&work](long i, int) { work(i); }, threads);
}

void forEachIndexByThread(long count, const std::function<void(long, int)>& work, int threads) {
    if (count <= 0) return;
    threads = threadsFor(count, threads);
    if (threads <= 1) {
        for (long i = 0; i < count; ++i) work(i, 0);
        return;
    }

    std::atomic<long> next{0};
    std::atomic<long> stopAt{count};  // no index from here on is handed out
    std::mutex failureLock;
    long failedIndex = count;
    std::exception_ptr failure;

    auto worker = [&](int thread) {
        for (;;) {
            long i = next.fetch_add(1, std::memory_order_relaxed);
            if (i >= stopAt.load(std::memory_order_relaxed)) return;
            try {
                work(i, thread);
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
        for (int t = 1; t < threads; ++t) helpers.emplace_back(worker, t);
    } catch (...) {
        // No thread to be had: the calling thread does the rest alone.
    }
    worker(0);
    for (std::thread& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
}

OrderedWork::OrderedWork(int window, std::function<void(long)> make, int threads)
    : window_(window < 1 ? 1 : window),
      make_(std::move(make)),
      madePiece_(static_cast<size_t>(window_), -1),
      failure_(static_cast<size_t>(window_)) {
    if (threads <= 0) threads = usableCores();
    // More helpers than slots would only wait.
    const int helpers = std::min(threads, window_) - 1;
    try {
        for (int t = 0; t < helpers; ++t) helpers_.emplace_back([this] { helperLoop(); });
    } catch (...) {
        // No thread to be had: the calling thread makes the rest itself.
    }
}

OrderedWork::~OrderedWork() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    workToDo_.notify_all();
    for (std::thread& helper : helpers_) helper.join();
}

void OrderedWork::add() {
    if (full()) throw std::logic_error("OrderedWork::add without a free slot");
    {
        std::lock_guard<std::mutex> hold(lock_);
        ++added_;
    }
    workToDo_.notify_one();
}

long OrderedWork::take() {
    const long i = taken_;
    if (i >= added_ || released_ != taken_) throw std::logic_error("OrderedWork::take out of turn");
    const size_t slot = static_cast<size_t>(i % window_);
    std::unique_lock<std::mutex> hold(lock_);
    while (madePiece_[slot] != i) {
        if (handedOut_ < added_) {
            // Rather than wait, make the next piece here.
            const long next = handedOut_++;
            hold.unlock();
            makePiece(next);
            hold.lock();
        } else {
            pieceMade_.wait(hold);
        }
    }
    std::exception_ptr failure = std::move(failure_[slot]);
    failure_[slot] = nullptr;
    ++taken_;
    hold.unlock();
    if (failure) std::rethrow_exception(failure);
    return i;
}

void OrderedWork::release() {
    if (released_ >= taken_) throw std::logic_error("OrderedWork::release without a take");
    ++released_;
}

void OrderedWork::makePiece(long i) {
    std::exception_ptr failure;
    try {
        make_(i);
    } catch (...) {
        failure = std::current_exception();
    }
    const size_t slot = static_cast<size_t>(i % window_);
    {
        std::lock_guard<std::mutex> hold(lock_);
        madePiece_[slot] = i;
        failure_[slot] = std::move(failure);
    }
    pieceMade_.notify_all();
}

void OrderedWork::helperLoop() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        workToDo_.wait(hold, [this] { return stopping_ || handedOut_ < added_; });
        if (stopping_) return;
        const long next = handedOut_++;
        hold.unlock();
        makePiece(next);
        hold.lock();
    }
}

void forEachInOrder(long count, int window, const std::function<void(long)>& make,
                    const std::function<void(long)>& use, int threads) {
    OrderedWork work(window, make, threads);
    for (long i = 0; i < count; ++i) {
        while (work.added() < count && !work.full()) work.add();
        use(work.take());
        work.release();
    }
}

}  // namespace platform
