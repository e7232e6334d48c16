#include "converter/input/raw_store.hpp"

#include <algorithm>
#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace converter {

void RawStore::Release::operator()(int32_t* p) const { std::free(p); }

void RawStore::allocate() {
    // The table is left untouched: a one-day file commits only the pages of
    // its own records. Where the system offers large pages for it, a full
    // store takes a few hundred page faults instead of some ninety thousand.
    size_t bytes = static_cast<size_t>(kRecordCapacity + 2) * kRawFieldCount * sizeof(int32_t);
#ifdef __linux__
    constexpr size_t kAlign = size_t{2} << 20;
    bytes = (bytes + kAlign - 1) / kAlign * kAlign;
    void* table = std::aligned_alloc(kAlign, bytes);
    if (table) madvise(table, bytes, MADV_HUGEPAGE);
#else
    void* table = std::malloc(bytes);
#endif
    if (!table) throw std::bad_alloc();
    fields.reset(static_cast<int32_t*>(table));
    recordTime.reset(new double[static_cast<size_t>(kRecordCapacity) + 1]);
    std::fill_n(record(-1), 2 * kRawFieldCount, 0);
    recordTime[0] = 0;
    recordCount = 0;
}

}  // namespace converter
