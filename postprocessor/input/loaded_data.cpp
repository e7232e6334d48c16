#include "postprocessor/input/loaded_data.hpp"

namespace postprocessor {

void LoadedData::allocate(int lineCapacity) {
    // Not initialised: only the pages of loaded lines are ever touched.
    const size_t lines = static_cast<size_t>(lineCapacity) + 2;
    lineTimes.reset(new double[lines]);
    lineValues.reset(new float[lines * kColumnCount]);
    regularSpacing.reset(new uint8_t[lines]);
    capacity = lineCapacity;
    lineCount = 0;
}

}  // namespace postprocessor
