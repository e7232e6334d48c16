#include "converter/input/raw_store.hpp"

#include <algorithm>

namespace converter {

void RawStore::allocate() {
    // new T[n] leaves the memory untouched: a one-day file commits only the
    // pages of its own records.
    fields.reset(new int32_t[static_cast<size_t>(kRecordCapacity + 2) * kRawFieldCount]);
    recordTime.reset(new double[static_cast<size_t>(kRecordCapacity) + 1]);
    std::fill_n(record(-1), 2 * kRawFieldCount, 0);
    recordTime[0] = 0;
    recordCount = 0;
}

}  // namespace converter
