// Work spread over the processor's cores. The programs' tables are filled
// in independent pieces (one raw file, one block of cycles, one column);
// each piece is computed exactly as it would be alone, so the results do
// not depend on how many threads there are or in which order they finish.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// Number of cores this process may run on (its affinity mask: one under
// `taskset -c 0`), at least 1.
int usableCores();

// Calls work(i) once for every i in [0, count), on up to `threads` threads
// (0: usableCores()), the calling thread among them. Indices are handed out
// in ascending order. When calls throw, the indices above the lowest one
// that threw may be left out (also one a thread has taken but not begun, so
// no call may wait for another) and, once every call under way has ended,
// the exception of the lowest index is thrown again: the one a loop from 0
// upwards would have met first.
void forEachIndex(long count, const std::function<void(long)>& work, int threads = 0);

// The same, telling each call which thread makes it: 0 for the calling
// thread, up to threadsFor(count, threads) - 1, so that each thread can keep
// working room of its own.
void forEachIndexByThread(long count, const std::function<void(long index, int thread)>& work, int threads = 0);
int threadsFor(long count, int threads = 0);

// Pieces of work made on the usable cores and used one by one, in
// ascending order, on the calling thread: what the caller sees is what the
// loop `for (i = 0; ...; ++i) { make(i); use(i); }` gives, whatever the
// number of threads. Piece i is made by make(i) on whichever thread is free
// (the calling thread too, while it waits in take()).
//
// The caller describes piece added() and then calls add(); pieces may be
// added while earlier ones are made and used. At most `window` pieces are
// added and not yet released, so a piece's description and results can
// live in slot i % window. take() waits for the oldest piece not yet taken
// and returns its number; an exception thrown by its make() is thrown
// there instead, after every earlier piece has been taken. release() hands
// the slot of the piece taken last back.
//
// Destroyed (also while an exception leaves the caller), it starts no
// further piece and waits for those under way: declare it after everything
// its make() uses.
class OrderedWork {
public:
    OrderedWork(int window, std::function<void(long)> make, int threads = 0);
    ~OrderedWork();
    OrderedWork(const OrderedWork&) = delete;
    OrderedWork& operator=(const OrderedWork&) = delete;

    int window() const { return window_; }
    long added() const { return added_; }
    // True while pieces are added and not yet taken.
    bool pending() const { return taken_ < added_; }
    // True when `window` pieces are added and not released: add() has to
    // wait for a release.
    bool full() const { return added_ - released_ >= window_; }
    void add();
    long take();
    void release();

private:
    void makePiece(long i);  // with the lock not held
    void helperLoop();

    const int window_;
    const std::function<void(long)> make_;
    std::mutex lock_;
    std::condition_variable workToDo_, pieceMade_;
    long added_ = 0, handedOut_ = 0, taken_ = 0, released_ = 0;
    bool stopping_ = false;
    std::vector<long> madePiece_;  // per slot: the piece last made in it
    std::vector<std::exception_ptr> failure_;
    std::vector<std::thread> helpers_;
};

// make(i) for every i in [0, count) on the usable cores, and use(i) on the
// calling thread in ascending order, each right after its make as far as
// the caller can tell; at most `window` pieces are made ahead of their use.
void forEachInOrder(long count, int window, const std::function<void(long)>& make,
                    const std::function<void(long)>& use, int threads = 0);

}  // namespace platform
