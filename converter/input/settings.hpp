// The ten settings of a conversion run, keyed as in KEVORCV.INI.
#pragma once

#include <string>

namespace converter {

struct ConverterSettings {
    // Start values mark a setting as not given; all lie outside the legal
    // ranges, so the completion asks for them.
    int outputstyle = -999;
    int cycleminutes = -999;
    int zerominutes = -999;
    int extracorrect = -999;
    std::string extension = "***";
    double c_inv_n2 = -999.0;
    double c_inv_n1 = -999.0;
    double c_inv_p1 = -999.0;
    double c_inv_p2 = -999.0;
    double z_limit = -999.0;
};

}  // namespace converter
