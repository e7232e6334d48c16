// Fuzz target: KEVORPLOT on a Diagram table, as a researcher may have edited
// it in a spreadsheet.
//
// The input is the table, saved as d111218.xl in a folder that KEVORPLOT
// draws; an input of odd length has a good table of the next day beside it
// (drawing it and the overview every time would halve the runs). A damaged
// table is never a run-time error: it is skipped with a line naming it, and
// the run ends with "Done, but 1 table(s) not drawn (see above)", or, alone,
// "No picture written!"; a table that is taken gives a day picture, and the
// run ends with "Done". Every picture (the day pictures and the month
// overview) is a whole SVG document, parsed: every tag closed, nothing after
// the end, no number that is not one. No temporary file stays behind, named
// or unnamed.
//
// At its start the target checks its own checks: a picture with an
// unclosed tag, a temporary file left in the folder, an output file left
// open must each be found.
#include <fcntl.h>
#include <unistd.h>

#include <sstream>

#include "plotter/run.hpp"
#include "tests/fuzz/fuzz_checks.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

// The good table of 2011-12-19: two rows, minutes 0 and 1440 (small, so
// that the fuzzed table takes the time).
std::string goodTable() {
    std::string text;
    for (int minute : {0, 1440}) {
        text += std::to_string(minute);
        for (int c = 0; c < 20; ++c) text += "\t" + std::to_string(minute / 2 + c * 997);
        text += "\r\n";
    }
    return text;
}

void selfCheck() {
    const std::string good = "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\">"
                             "<g fill=\"#000\"><path d=\"M0 0h1\"/><text x=\"1\">a &amp; b</text></g></svg>\n";
    if (!fuzz::svgProblem(good).empty()) fuzz::finding("self-check: a whole picture fails: " + fuzz::svgProblem(good));
    const char* broken[] = {
        "<svg width=\"10\"><g fill=\"#000\"><path d=\"M0 0h1\"/></svg>\n",        // an unclosed <g>
        "<svg width=\"10\"><g></text></g></svg>\n",                              // a tag closed that is not open
        "<svg width=\"10\"><text>a & b</text></svg>\n",                          // a bare &
        "<svg width=\"10\"></svg>\n<g></g>\n",                                   // something after the end
        "<svg width=\"10\"><path d=\"M0 0h1/></svg>\n",                          // an unquoted end
        "<svg width=\"10\"><rect x=\"nan\"/></svg>\n",                           // no number
    };
    for (const char* svg : broken)
        if (fuzz::svgProblem(svg).empty()) fuzz::finding(std::string("self-check: a broken picture passes: ") + svg);

    fuzz::Scratch& scratch = fuzz::Scratch::get();
    scratch.reset();
    scratch.write("~kevor" + std::to_string(getpid()) + "-7.tmp", "left");
    if (fuzz::temporaryFileProblem().empty()) fuzz::finding("self-check: a temporary file left behind passes");
    scratch.reset();
    const int unnamed = open(scratch.work().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    const int named = unnamed >= 0 ? -1 : open((scratch.work() + "x").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fuzz::temporaryFileProblem().empty()) fuzz::finding("self-check: an output file left open passes");
    close(unnamed >= 0 ? unnamed : named);
    scratch.reset();
    if (!fuzz::temporaryFileProblem().empty()) fuzz::finding("self-check: " + fuzz::temporaryFileProblem());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    selfCheck();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Scratch& scratch = fuzz::Scratch::get();
    scratch.reset();
    scratch.write("d111218.xl", std::string_view(reinterpret_cast<const char*>(data), size));
    static const std::string good = goodTable();
    const bool neighbour = size % 2 == 1;
    if (neighbour) scratch.write("d111219.xl", good);

    std::istringstream answers;
    std::ostringstream transcript;
    platform::Console console(answers, transcript);
    std::string error;
    const fuzz::End end =
        fuzz::runAllowed([&] { plotter::runPlotter(console, {scratch.work()}); }, &error);
    if (end == fuzz::End::runError) fuzz::finding("a Diagram table gave a run-time error: " + error);

    const std::string text = transcript.str();
    const bool drawn = text.find(" written d111218.svg\n") != std::string::npos;
    const bool skipped = text.find(" damaged table d111218.xl, line ") != std::string::npos;
    if (drawn == skipped) fuzz::finding("the table was neither drawn nor skipped as damaged: " + text.substr(0, 300));
    if (neighbour && text.find(" written d111219.svg\n") == std::string::npos)
        fuzz::finding("the good table beside it was not drawn: " + text.substr(0, 300));
    const std::string ending = drawn       ? " Done\n\n Finished "
                               : neighbour ? " Done, but 1 table(s) not drawn (see above)\n\n Finished "
                                           : " No picture written!\n\n Finished ";
    if (text.find(ending) == std::string::npos)
        fuzz::finding("the run did not end with \"" + ending.substr(0, ending.find('\n')) + "\": " +
                      text.substr(text.size() > 300 ? text.size() - 300 : 0));
    if (drawn) fuzz::expectWholePicture(scratch.work() + "d111218.svg");
    if (neighbour) fuzz::expectWholePicture(scratch.work() + "d111219.svg");
    if (drawn || neighbour) fuzz::expectWholePicture(scratch.work() + "d1112-month.svg");
    fuzz::expectNoTemporaryFile();
    return 0;
}
