#include "platform/datetime.hpp"
#include "platform/run_error.hpp"
#include "postprocessor/run.hpp"

namespace postprocessor {

void finishRun(platform::Console& console, std::string_view message) {
    std::string line = " ";
    line += message;
    console.writeLine(line);
    console.writeLine("");
    console.writePrompt(" Finished " + platform::formatDateTime("hh:nn:ss", platform::localNow()) +
                        ", press ENTER!");
    console.waitForEnter();
    throw platform::RunEnded{};
}

}  // namespace postprocessor
