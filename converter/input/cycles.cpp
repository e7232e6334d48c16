#include "converter/input/cycles.hpp"

#include "platform/run_error.hpp"

namespace converter {

void CycleTable::allocate() {
    cycleFirst.reset(new int32_t[kCycleCapacity + 1]);
    cycleLast.reset(new int32_t[kCycleCapacity + 1]);
    zeroFirst.reset(new int32_t[kCycleCapacity + 1]);
    zeroLast.reset(new int32_t[kCycleCapacity + 1]);
    cycleTime.reset(new double[kCycleCapacity + 1]);
    cycleCount = 0;
}

void buildCycles(const RawStore&, const ConverterSettings&, CycleTable&) {
    platform::fail("cycle building is not built yet");
}

}  // namespace converter
