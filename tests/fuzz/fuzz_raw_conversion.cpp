// Fuzz target: raw files read and converted into a daily table.
//
// The input's leading bytes choose the settings (fuzz_inputs.hpp), which the
// run finds in KEVORCV.INI; the rest is up to three raw files. A run ends
// normally, after a foreseen message, or through a run-time error; a saved
// daily table is well formed and loads in the postprocessor; a run-time error
// leaves no daily table; no temporary file stays.
#include <sstream>

#include "converter/run.hpp"
#include "platform/datetime.hpp"
#include "platform/files.hpp"
#include "platform/number_text.hpp"
#include "tests/fuzz/fuzz_checks.hpp"
#include "tests/fuzz/fuzz_inputs.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

std::string settingsFile(const fuzz::RawCase& c) {
    std::string text(fuzz::kSettingsHeader);
    text += "\r\noutputstyle=" + std::to_string(c.outputstyle) + "\r\ncycleminutes=" + std::to_string(c.cycleminutes) +
            "\r\nzerominutes=" + std::to_string(c.zerominutes) + "\r\nextracorrect=" + std::to_string(c.extracorrect) +
            "\r\nextension=txt\r\n";
    if (c.coefficientsInSettings) {
        const char* keys[5] = {"c_inv_n2", "c_inv_n1", "c_inv_p1", "c_inv_p2", "z_limit"};
        for (int i = 0; i < 5; ++i) {
            text += keys[i];
            text += '=';
            platform::appendFixed(text, c.coefficients[i], 3);
            text += "\r\n";
        }
    }
    return text;
}

// _KVAyymmdd.001 and .002 of the first date, .001 of the next day.
std::string rawFileName(const fuzz::RawCase& c, size_t part) {
    const platform::DateTime day = platform::encodeDate(c.year, c.month, c.day) + (part == 2 ? 1 : 0);
    return "_KVA" + platform::formatDateTime("yymmdd", day) + (part == 1 ? ".002" : ".001");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Scratch& scratch = fuzz::Scratch::get();
    scratch.reset();
    const fuzz::Input input = fuzz::splitInput(data, size, fuzz::kRawPrefix, fuzz::kRawFiles);
    const fuzz::RawCase c = fuzz::decodeRawCase(input.prefix);
    const std::string ini = scratch.write("KEVORCV.INI", settingsFile(c));
    fuzz::setSettingsFileDate(ini);
    std::string dragged = scratch.work();
    for (size_t i = 0; i < input.parts.size(); ++i) {
        std::string path = scratch.write(rawFileName(c, i), input.parts[i]);
        if (c.dragFile && input.parts.size() == 1) dragged = path;
    }

    // "1" answers the header conflict (use the last headers) and every
    // resolution coefficient the raw header leaves out of range.
    std::istringstream answers("1\n1\n1\n1\n1\n1\n");
    std::ostringstream transcript;
    platform::Console console(answers, transcript);
    converter::ConverterRun run(console);
    fuzz::HeldTables& held = fuzz::HeldTables::get();
    held.lendTo(run);
    std::string error;
    const fuzz::End end = fuzz::runAllowed([&] { converter::runConverter(run, {dragged}); }, &error);
    const bool saved = transcript.str().find("Output is saved as ") != std::string::npos;
    if (saved) fuzz::checkDailyTable(run);
    held.takeBack(run);

    fuzz::expectNoTemporaryFile();
    if (end == fuzz::End::runError)
        for (const std::string& name : scratch.files())
            if (name.find("KVA") != std::string::npos && name.find("_KVA") == std::string::npos)
                fuzz::finding("the run-time error \"" + error + "\" left the table " + name);
    return 0;
}
