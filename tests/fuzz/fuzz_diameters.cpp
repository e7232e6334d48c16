// Fuzz target: diameters.txt, the extra diameters beside the daily tables.
//
// The input is the file. It is either taken, with 0 to 20 diameters from 0.5
// to 7.0 listed on the console in fields of 5 characters, or refused with one
// of its two closing messages, or a run-time error.
#include <sstream>

#include "platform/number_text.hpp"
#include "postprocessor/input/discovery.hpp"
#include "postprocessor/run.hpp"
#include "tests/fuzz/fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Scratch& scratch = fuzz::Scratch::get();
    scratch.reset();
    scratch.write("diameters.txt", std::string_view(reinterpret_cast<const char*>(data), size));

    std::istringstream answers;
    std::ostringstream transcript;
    platform::Console console(answers, transcript);
    postprocessor::PostprocessorRun run(console, {});
    run.input.workFolder = {scratch.work(), scratch.work()};
    const fuzz::End end = fuzz::runAllowed([&] { postprocessor::readExtraDiameters(run); });
    const std::string text = transcript.str();
    if (end == fuzz::End::foreseen) {
        if (text.find(" number of lines in diameters.txt exceeds 20!\n") != 1 &&
            text.find(" extra diameter out of range or empty line in diameters.txt!\n") != 1)
            fuzz::finding("diameters.txt was refused without its message: " + text.substr(0, 200));
        return 0;
    }
    if (end != fuzz::End::finished) return 0;

    const postprocessor::InputSet& in = run.input;
    if (in.extraDiameterCount < 0 || in.extraDiameterCount > postprocessor::kExtraDiameterCapacity)
        fuzz::finding("more extra diameters than the table holds");
    std::string listed = " found a file of " + std::to_string(in.extraDiameterCount) + " extra diameters:\n";
    for (int i = 1; i <= in.extraDiameterCount; ++i) {
        const double d = in.extraDiameters[i];
        if (!(d >= 0.5 && d <= 7.0)) fuzz::finding("an extra diameter outside 0.5..7.0 was taken");
        listed += ' ' + platform::formatFixed(d, 2);
    }
    if (text != listed + "\n") fuzz::finding("the list of extra diameters reads \"" + text + "\"");
    return 0;
}
