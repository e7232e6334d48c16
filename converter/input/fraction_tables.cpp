#include "converter/input/fraction_tables.hpp"

#include "converter/input/settings.hpp"
#include "platform/run_error.hpp"

namespace converter {

void buildFractionTables(double, int, FractionTables&) {
    platform::fail("fraction tables are not built yet");
}

bool buildResolutionMatrix(const ConverterSettings&, FractionTables&) {
    platform::fail("the resolution matrix is not built yet");
}

}  // namespace converter
