// Fuzz target: both programs' dialogues driven by arbitrary answers.
//
// The first byte chooses the program (even: KEVORCV, odd: KEVORPP; bit 1:
// KEVORPP with two dragged items); the rest is what the user types, without
// path separators. KEVORCV converts two raw files of one morning whose second
// header line differs (the header question), without KEVORCV.INI (the
// settings questions), into a folder that already holds KVA111200.txt and
// KVA111200. (the naming question). KEVORPP gets the daily table
// KVA111200.txt and diameters.txt. Accepted answers are within their legal
// ranges; a dialogue that asks for little enough output runs on to its
// tables, which are checked as in the other targets.
#include <sstream>

#include "generator.hpp"
#include "platform/datetime.hpp"
#include "postprocessor/run.hpp"
#include "tests/fuzz/fuzz_checks.hpp"
#include "tests/fuzz/fuzz_support.hpp"
#include "tests/postprocessor/input/daily_table_maker.hpp"

namespace {

// An output grid of this many lines at most is filled and written.
constexpr int kProcessedLines = 20000;

struct RawFile {
    std::string name, text;
};

// The two raw files, made once by the generator.
const std::vector<RawFile>& morningFiles() {
    static const std::vector<RawFile> files = [] {
        fuzz::Scratch& scratch = fuzz::Scratch::get();
        scratch.reset();
        kevorgen::Options options;
        options.outFolder = scratch.work();
        options.filesPerDay = 2;
        options.intervalSeconds = 60;
        options.fromSecond = 6 * 3600;
        options.toSecond = 6 * 3600 + 1799;
        options.zeroEveryMinutes = 5;
        options.headerConflictFile = 2;
        options.quiet = true;
        kevorgen::generate(options);
        std::vector<RawFile> made;
        for (const char* name : {"_KVA111218.001", "_KVA111218.002"})
            made.push_back({name, fuzz::readFile(scratch.work() + name)});
        return made;
    }();
    return files;
}

void converterDialogues(const std::string& answers) {
    fuzz::Scratch& scratch = fuzz::Scratch::get();
    for (const RawFile& file : morningFiles()) scratch.write(file.name, file.text);
    scratch.write("KVA111200.txt", "an older table\r\n");
    scratch.write("KVA111200.", "an older table\r\n");

    std::istringstream in(answers);
    std::ostringstream transcript;
    platform::Console console(in, transcript);
    converter::ConverterRun run(console);
    fuzz::HeldTables& held = fuzz::HeldTables::get();
    held.lendTo(run);
    fuzz::runAllowed([&] { converter::runConverter(run, {scratch.root() + "/w"}); });
    const std::string text = transcript.str();
    if (text.find("... Processing, please wait ...") != std::string::npos) fuzz::checkConverterSettings(run.settings);
    if (text.find("Output is saved as ") != std::string::npos) fuzz::checkDailyTable(run);
    held.takeBack(run);
}

void postprocessorDialogue(const std::string& answers, bool twoItems) {
    fuzz::Scratch& scratch = fuzz::Scratch::get();
    static const std::string lines = [] {
        // An hour and a half of one-minute lines from 2011-12-18 06:00.
        std::string text = kevor_test::dailyHeader(kevor_test::standardTitles());
        for (int k = 0; k < 90; ++k)
            kevor_test::appendDailyLine(text, platform::encodeDate(2011, 12, 18) + 0.25 + k / 1440.0, k);
        return text;
    }();
    const std::string table = scratch.write("KVA111200.txt", lines);
    scratch.write("diameters.txt", "1.0\r\n2.5\r\n");
    std::vector<std::string> args{table};
    if (twoItems) args.push_back(scratch.work() + "other");

    std::istringstream in(answers);
    std::ostringstream transcript;
    platform::Console console(in, transcript);
    postprocessor::PostprocessorRun run(console, args);
    const fuzz::End asked = fuzz::runAllowed([&] {
        postprocessor::startRun(run);
        postprocessor::askForInput(run);
    });
    if (asked != fuzz::End::finished) return;
    fuzz::checkRunParameters(run);
    if (run.params.outputLineCount > kProcessedLines) return;
    fuzz::HeldTables& held = fuzz::HeldTables::get();
    held.lendTo(run);
    fuzz::runAllowed([&] {
        postprocessor::loadInput(run);
        postprocessor::processAndWrite(run);
    });
    fuzz::checkPostprocessorTables(run);  // with the grid, for the lines of a table
    held.takeBack(run);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    morningFiles();
    fuzz::Scratch::get().reset();
    const uint8_t choice = size > 0 ? data[0] : 0;
    const std::string answers =
        fuzz::confinedAnswers(std::string_view(reinterpret_cast<const char*>(data), size).substr(size > 0 ? 1 : 0));
    if (choice % 2 == 0)
        converterDialogues(answers);
    else
        postprocessorDialogue(answers, (choice & 2) != 0);
    fuzz::expectNoTemporaryFile();
    return 0;
}
