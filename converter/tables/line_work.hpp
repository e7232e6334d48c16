// Working storage of the line writers, reused for every cycle.
#pragma once

namespace converter {

struct LineWork {
    double cycleValues[87] = {};
    double zeroValues[87] = {};
    double temperature = 0;  // T of the last cycle, degC
    double pressure = 0;     // p of the last cycle, mb
};

}  // namespace converter
