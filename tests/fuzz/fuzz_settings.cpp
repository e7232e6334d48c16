// Fuzz target: KEVORCV.INI and the questions that complete the settings.
//
// The input is the settings file, then the separator line and the console
// answers. The file is dated as its header line "KEVORCV.INI revision
// 20111220" says. The reader either takes the file or ends with the
// fatal-error report; after the questions every setting is legal.
#include <sstream>

#include "converter/input/settings_file.hpp"
#include "tests/fuzz/fuzz_checks.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

void expectFatalErrorReport(const std::string& transcript) {
    static const char* const kTexts[] = {
        "cannot open KEVORCV.INI", "KEVORCV.INI header contains a wrong revision date",
        "an assignment line does not consist of = in KEVORCV.INI",
        "wrong number presentation in KEVORCV.INI: ", "wrong keyword in KEVORCV.INI: "};
    const std::string tail = ",\npress ENTER to escape!\n";
    const size_t report = transcript.rfind("\nFatal error: ");
    bool known = report != std::string::npos && transcript.size() >= tail.size() &&
                 transcript.compare(transcript.size() - tail.size(), tail.size(), tail) == 0;
    if (known) {
        const std::string text = transcript.substr(report + 14, transcript.size() - tail.size() - report - 14);
        known = false;
        for (const char* k : kTexts) {
            const std::string prefix(k);
            known = known || (prefix.back() == ' ' ? text.compare(0, prefix.size(), prefix) == 0 : text == prefix);
        }
    }
    if (!known) fuzz::finding("the settings file was refused without the fatal-error report");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Scratch& scratch = fuzz::Scratch::get();
    scratch.reset();
    const fuzz::Input input = fuzz::splitInput(data, size, 0, 2);
    const std::string path = scratch.write("KEVORCV.INI", input.parts[0]);
    fuzz::setSettingsFileDate(path);

    std::istringstream answers(input.parts.size() > 1 ? std::string(input.parts[1]) : std::string());
    std::ostringstream transcript;
    platform::Console console(answers, transcript);
    converter::ConverterSettings settings;
    const fuzz::End read = fuzz::runAllowed([&] { converter::readSettingsFile(console, path, settings); });
    if (read == fuzz::End::foreseen) expectFatalErrorReport(transcript.str());
    if (read != fuzz::End::finished) return 0;
    if (fuzz::runAllowed([&] { converter::completeSettings(console, settings); }) == fuzz::End::finished)
        fuzz::checkConverterSettings(settings);
    return 0;
}
