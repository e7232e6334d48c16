#include "converter/input/run_messages.hpp"

#include "platform/datetime.hpp"
#include "platform/run_error.hpp"

namespace converter {

std::string timeStamp() {
    return platform::formatDateTime("yyyy-mm-dd hh:nn:ss", platform::localNow());
}

void endAfterEnter(platform::Console& console) {
    console.waitForEnter();
    throw platform::RunEnded{};
}

void interruptRun(platform::Console& console, std::string_view reason) {
    console.writeLine("Interrupted " + timeStamp());
    console.writeLine(reason);
    endAfterEnter(console);
}

void fatalErrorReport(platform::Console& console, std::string_view text) {
    console.writeLine("");
    std::string line = "Fatal error: ";
    line += text;
    line += ',';
    console.writeLine(line);
    console.writeLine("press ENTER to escape!");
    endAfterEnter(console);
}

}  // namespace converter
