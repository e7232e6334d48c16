#include "converter/input/raw_store.hpp"

#include <algorithm>
#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace converter {

void ReleaseLargeTable::operator()(void* p) const { std::free(p); }

void* allocateLargeBytes(size_t bytes) {
#ifdef __linux__
    constexpr size_t kAlign = size_t{2} << 20;
    bytes = (bytes + kAlign - 1) / kAlign * kAlign;
    void* table = std::aligned_alloc(kAlign, bytes);
    if (table) madvise(table, bytes, MADV_HUGEPAGE);
#else
    void* table = std::malloc(bytes);
#endif
    if (!table) throw std::bad_alloc();
    return table;
}

void RawStore::allocate() {
    fields = allocateLargeTable<int32_t>(static_cast<size_t>(kRecordCapacity + 2) * kRawFieldCount);
    recordTime = allocateLargeTable<double>(static_cast<size_t>(kRecordCapacity) + 1);
    std::fill_n(record(-1), 2 * kRawFieldCount, 0);
    recordTime[0] = 0;
    recordCount = 0;
}

}  // namespace converter
