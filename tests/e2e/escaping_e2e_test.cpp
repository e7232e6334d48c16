// Paths and names as the three programs print them. A folder named with
// ESC ] 0 ; ... BEL (which sets the window title), ESC [ 8 m (which hides
// everything after it) or a line end (which forges a line of its own)
// reaches the terminal with these bytes written as \xNN, by the same rule in
// every program; so does a cell of a damaged Diagram table.
#include <algorithm>
#include <ios>

#include "e2e_support.hpp"

namespace e2e {
namespace {

// No control byte in the text but its line ends.
::testing::AssertionResult onlyLineEnds(const std::string& text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n') || byte == 0x7F)
            return ::testing::AssertionFailure() << "the control byte " << std::hex << int(byte) << " in\n" << text;
    }
    return ::testing::AssertionSuccess();
}

class Escaping : public E2eTest {};

TEST_F(Escaping, ControlBytesOfPathsAndCellsAreWrittenAsHexByEveryProgram) {
    const fs::path folder = dir / "ev\x1b]0;pwned\x07il\n Done\x1b[8m";
    const std::string shown = "ev\\x1b]0;pwned\\x07il\\x0a Done\\x1b[8m";

    // KEVORCV: a record with a field that is no integer; the error line
    // names the raw file.
    generate(folder, {"--from", "06:00", "--to", "06:29:59", "--broken-record", "5"});
    const ProcessResult cv = runConverter({folder.string()}, converterAnswers(0, 5, 10, 0, "txt"));
    EXPECT_EQ(cv.exitCode, 1);
    EXPECT_TRUE(inOrder(cv.err, {"KEVORCV: error: ", shown + "/_KVA111218.001, line "}));
    EXPECT_EQ(std::count(cv.err.begin(), cv.err.end(), '\n'), 1) << cv.err;
    EXPECT_TRUE(onlyLineEnds(cv.out));
    EXPECT_TRUE(onlyLineEnds(cv.err));

    // KEVORPP: the dragged item, upper-cased before it is escaped.
    const ProcessResult pp = runPostprocessor({folder.string()}, "\n");
    EXPECT_EQ(pp.exitCode, 0);
    EXPECT_TRUE(inOrder(pp.out, {" dragged item is folder ", "EV\\x1b]0;PWNED\\x07IL\\x0a DONE\\x1b[8M\n",
                                 " found 0 KVA-files:\n"}));
    EXPECT_TRUE(onlyLineEnds(pp.out));
    EXPECT_EQ(pp.err, "");

    // KEVORPLOT: the dragged item, a name it skips, and a damaged cell
    // quoted as every program quotes input (40 characters).
    writeFile(folder / "n\x1b[8mote.xl", "not a table\r\n");
    writeFile(folder / "d111218.xl", "0\t\x1b[8m" + std::string(50, 'A') + "\r\n");
    const ProcessResult plot = runProcess(KEVORPLOT_PATH, {folder.string()}, "\n");
    EXPECT_EQ(plot.exitCode, 0);
    EXPECT_TRUE(inOrder(plot.out, {" dragged item is folder ", shown + "\n",
                                   " skipped n\\x1b[8mote.xl: not a Diagram table (d + yymmdd + .xl)\n",
                                   " damaged table d111218.xl, line 1: \"\\x1b[8m" + std::string(36, 'A') +
                                       "...\" is not a whole number of 0 or more; no picture\n"}));
    EXPECT_TRUE(onlyLineEnds(plot.out));
    EXPECT_EQ(plot.err, "");
}

}  // namespace
}  // namespace e2e
