#include "converter/run.hpp"

#include "platform/run_error.hpp"

namespace converter {

int runConverter(platform::Console& console, const std::vector<std::string>& args) {
    (void)args;
    try {
        console.writeLine("");
        platform::fail("the conversion run is not built yet");
    } catch (const platform::RunEnded&) {
        return 0;
    }
}

}  // namespace converter
