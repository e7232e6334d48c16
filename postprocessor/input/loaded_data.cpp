#include "postprocessor/input/loaded_data.hpp"

#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace postprocessor {

void FreeFloatTable::operator()(float* table) const { std::free(table); }

FloatTable allocateFloatTable(size_t count) {
    size_t bytes = count * sizeof(float);
#ifdef __linux__
    // On large pages where the system offers them: a full year of lines
    // then takes some eighty page faults instead of forty thousand.
    constexpr size_t kLargePage = size_t{2} << 20;
    bytes = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    void* table = std::aligned_alloc(kLargePage, bytes);
    if (table) madvise(table, bytes, MADV_HUGEPAGE);
#else
    void* table = std::malloc(bytes);
#endif
    if (!table) throw std::bad_alloc();
    return FloatTable(static_cast<float*>(table));
}

void LoadedData::allocate(int lineCapacity) {
    // Not initialised: only the pages of loaded lines are ever touched.
    const size_t lines = static_cast<size_t>(lineCapacity) + 2;
    lineTimes.reset(new double[lines]);
    lineValues = allocateFloatTable(lines * kColumnCount);
    regularSpacing.reset(new uint8_t[lines]);
    capacity = lineCapacity;
    lineCount = 0;
}

}  // namespace postprocessor
