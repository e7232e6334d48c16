#include "postprocessor/output/stages.hpp"

#include "platform/run_error.hpp"
#include "postprocessor/run.hpp"

namespace postprocessor {

void correctOutliers(PostprocessorRun&) { platform::fail("corrections are not built yet"); }
void suppressDustPulses(PostprocessorRun&) { platform::fail("corrections are not built yet"); }
void smoothNegatives(PostprocessorRun&) { platform::fail("smoothing is not built yet"); }
void smoothTotally(PostprocessorRun&) { platform::fail("smoothing is not built yet"); }
void averageOntoGrid(PostprocessorRun&) { platform::fail("averaging is not built yet"); }
void fillGaps(PostprocessorRun&) { platform::fail("gap filling is not built yet"); }
void writeNormalOrFractionTable(PostprocessorRun&) { platform::fail("tables are not built yet"); }
void writeDiagramTables(PostprocessorRun&) { platform::fail("diagram tables are not built yet"); }

}  // namespace postprocessor
