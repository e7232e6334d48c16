// The dragged items and what was found from them: the daily tables to load
// and the extra diameters.
#pragma once

#include <string>
#include <vector>

namespace postprocessor {

// A path in two forms: `display`, as the program shows and tests names (the
// dragged item upper-cased, the names a folder search found appended as the
// search returned them), and `real`, as given and as the directory search
// returned it, used to open, search and create files. On Windows both name
// the same file.
struct PathName {
    std::string display;
    std::string real;
};

inline constexpr int kInputFileCapacity = 999;
inline constexpr int kExtraDiameterCapacity = 20;

struct InputSet {
    bool twoFileRegime = false;
    PathName chosenItem;
    PathName workFolder;              // ends in a separator (or is empty)
    std::vector<PathName> inputFiles; // 0-based here; entry 0 is the first table
    int inputFileCount = 0;
    double extraDiameters[kExtraDiameterCapacity + 1] = {};  // 1-based
    int extraDiameterCount = 0;
};

}  // namespace postprocessor
