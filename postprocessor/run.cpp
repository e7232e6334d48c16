#include "postprocessor/run.hpp"

#include "platform/run_error.hpp"

namespace postprocessor {

int runPostprocessor(platform::Console& console, const std::vector<std::string>& args) {
    PostprocessorRun run(console, args);
    try {
        finishRun(console, "the postprocessing run is not built yet");
    } catch (const platform::RunEnded&) {
        return 0;
    }
}

}  // namespace postprocessor
