#include "postprocessor/input/loaded_data.hpp"

namespace postprocessor {

void LoadedData::allocate() {
    // Not initialised: only the pages of loaded lines are ever touched.
    lineTimes.reset(new double[static_cast<size_t>(kLineCapacity) + 2]);
    lineValues.reset(new float[static_cast<size_t>(kLineCapacity + 2) * kColumnCount]);
    regularSpacing.reset(new uint8_t[static_cast<size_t>(kLineCapacity) + 2]);
    lineCount = 0;
}

}  // namespace postprocessor
