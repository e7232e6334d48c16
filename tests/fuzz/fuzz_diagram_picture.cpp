// Fuzz target: KEVORPLOT on a Diagram table, as a researcher may have edited
// it in a spreadsheet.
//
// The input is the table, saved as d111218.xl in a folder that KEVORPLOT
// draws. A damaged table is never a run-time error: it is skipped with a
// line naming it, and the run ends normally. A table that is taken gives a
// day picture and the month overview, each a whole SVG document with no
// number that is not one.
#include <sstream>

#include "plotter/run.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

void expectWholePicture(const std::string& path) {
    const std::string svg = fuzz::readFile(path);
    if (svg.rfind("<svg ", 0) != 0 && svg.rfind("<?xml", 0) != 0)
        fuzz::finding(path + " does not begin as an SVG document");
    if (svg.size() < 7 || svg.compare(svg.size() - 7, 7, "</svg>\n") != 0)
        fuzz::finding(path + " does not end as an SVG document");
    for (std::string_view bad : {"nan", "inf", "-0\""})
        if (svg.find(bad) != std::string::npos) fuzz::finding(path + " holds \"" + std::string(bad) + "\"");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Scratch& scratch = fuzz::Scratch::get();
    scratch.reset();
    scratch.write("d111218.xl", std::string_view(reinterpret_cast<const char*>(data), size));

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
    if (drawn) {
        expectWholePicture(scratch.work() + "d111218.svg");
        expectWholePicture(scratch.work() + "d1112-month.svg");
    }
    return 0;
}
