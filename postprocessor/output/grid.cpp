#include "postprocessor/output/grid.hpp"

namespace postprocessor {

void GridValues::allocate() {
    values = allocateFloatTable(static_cast<size_t>(kGridCapacity + 2) * kColumnCount);
    slotFirstLine.reset(new int32_t[static_cast<size_t>(kGridCapacity) + 2]);
    slotLastLine.reset(new int32_t[static_cast<size_t>(kGridCapacity) + 2]);
}

}  // namespace postprocessor
