// The answers of the processing dialogue and the values derived from them.
#pragma once

#include <string>

#include "postprocessor/input/input_set.hpp"

namespace postprocessor {

inline constexpr int kMaxOutputLines = 527039;
inline constexpr int kVariableCount = 120;

struct RunParameters {
    double firstDay = 0;  // whole days
    double lastDay = 0;
    int correctionMethod = 0;
    float outlierMultiplier = 0;
    int negativeSmoothingLevel = 0;
    int totalSmoothingLevel = 0;
    bool fillSingleGaps = false;
    int timeStepMinutes = 0;
    double timeStepDays = 0;
    int linesPerDay = 0;
    int outputLineCount = 0;
    int trimmingDegree = 0;
    char tableKind = 'N';
    std::string timeFormat;  // lower case
    int selectedVariables[kVariableCount + 1] = {};  // 1-based
    int selectedVariableCount = 0;
    PathName diagramFolder;
    PathName outputFileName;
};

}  // namespace postprocessor
