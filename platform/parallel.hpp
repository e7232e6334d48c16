// Work spread over the processor's cores. The programs' tables are filled
// in independent pieces (one raw file, one block of cycles, one column);
// each piece is computed exactly as it would be alone, so the results do
// not depend on how many threads there are or in which order they finish.
#pragma once

#include <functional>

namespace platform {

// Number of cores this process may run on (its affinity mask: one under
// `taskset -c 0`), at least 1.
int usableCores();

// Calls work(i) once for every i in [0, count), on up to `threads` threads
// (0: usableCores()), the calling thread among them. Indices are handed out
// in ascending order. When calls throw, no further index is handed out and,
// once every call under way has ended, the exception of the lowest index is
// thrown again: the one a loop from 0 upwards would have met first.
void forEachIndex(long count, const std::function<void(long)>& work, int threads = 0);

}  // namespace platform
