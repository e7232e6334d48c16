#include "postprocessor/input/dialogue.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "tests/postprocessor/input/run_harness.hpp"

using namespace postprocessor;
using kevor_test::closing;
using kevor_test::ConsoleRun;
using kevor_test::TempFolder;

namespace {

const char* const kIntroduction =
    " Please answer some questions below. Asked parameters are explained\n"
    " in the manual of KEVOR. NB: the input procedure can be interrupted\n"
    " pressing ENTER without entering any answer.\n\n";

// The answers after the days for a plain Normal table.
const std::string kPlainRest = "0\n0\n0\n0\n1\nn\nx\n1-78\nout.txt\n";
const std::string kTwoDays = "111220\n111221\n";

// The dialogue of a run whose input list holds the given file names in
// `workFolder`.
struct Dialogue {
    Dialogue(const std::string& answers, std::vector<std::string> names = {"KVA111220.TXT", "KVA111221.TXT"},
             const std::string& workFolder = "")
        : session(std::make_unique<ConsoleRun>(answers, std::vector<std::string>{})) {
        InputSet& input = session->run.input;
        input.workFolder = {workFolder, workFolder};
        for (const std::string& name : names) input.inputFiles.push_back({workFolder + name, workFolder + name});
        input.inputFileCount = static_cast<int>(names.size());
        ended = session->ends(runDialogue);
    }
    const RunParameters& params() const { return session->run.params; }
    std::string transcript() const { return session->transcript(); }
    size_t count(const std::string& text) const {
        std::string t = transcript();
        size_t n = 0;
        for (size_t at = t.find(text); at != std::string::npos; at = t.find(text, at + 1)) ++n;
        return n;
    }
    bool endedWith(const std::string& message) const {
        return ended && kevor_test::endsWithClosing(transcript(), message);
    }

    std::unique_ptr<ConsoleRun> session;
    bool ended = false;
};

}  // namespace

TEST(Dialogue, AsksEveryQuestionWithItsExplanationsInOrder) {
    TempFolder dir;
    Dialogue d(kTwoDays + "12\n 4.5\n5\n2\n1\n60\n3\nn\nYYYY-MM-DD hh:nn\n6, 4 ,29 - 60\nresult\n",
               {"KVA111220.TXT", "KVA111221.TXT"}, dir.folder());
    ASSERT_FALSE(d.ended) << d.transcript();
    EXPECT_EQ(d.transcript(),
              std::string(kIntroduction) +
                  " Choose the days to be processed:\n"
                  " first day (use 6-digit format YYMMDD) = "
                  "  last day (use 6-digit format YYMMDD) = \n"
                  " Correction methods (see KEVOR manual for detailed explanations):\n"
                  "    0 = no correction,\n"
                  "    1 = elimination of outliers\n"
                  "    2 = suppression of dust-induced errors,\n"
                  "    3 = combination of the methods 1 and 2.\n"
                  " Please choose the method (0...3) = "
                  " A value is qualified as outlier when the deviation from the average\n"
                  " of neighbors at least multiplier times exceeds the standard deviation.\n"
                  " Choose multiplier of std (3...9) = \n"
                  " Some random errors can be suppressed repeating n times the smoothing,\n"
                  " which replaces only negative values of distribution functions with\n"
                  " (1+2+1)/4-triplet averages over the neighborhoods of these values,\n"
                  " please choose smoothing level for negatives n (0...9) = \n"
                  " The data can be totally smoothed repeating k times the replacing\n"
                  " of values with (1+2+1)/4-triplet averages over the neighbors.\n"
                  " Diagram tables will be additionally couple-smoothed by default.\n"
                  " Extra choice k = -1 is equivalent of k = 0 for triplet smoothing,\n"
                  " but cancels default couple smoothing of diagram tables.\n"
                  " Please choose total smoothing level k (-1...9) = \n"
                  " Single gaps in time series can be filled with interpolated values.\n"
                  " fill single gaps (1) or not (0), write 0 or 1 : \n"
                  " Write time step for output table in minutes (1...1440) = \n"
                  " g lowest and g highest entries can be trimmed away\n"
                  " when calculating averages in the enhanced time intervals.\n"
                  " Please choose trimming degree g (0...20) = \n"
                  " Compile Normal table, Fraction table, or Diagram tables (N, F, or D) = \n"
                  " See rules for time formatting in the manual\n"
                  " (examples: x = no extra column, yyyy-mm-dd hh:nn = ISO standard)\n"
                  " and choose format for time presentation = \n"
                  " Example of a list: 6,4,29-60 (see rules in the manual)\n"
                  " Write list of variable numbers = \n"
                  " Please choose name for the output file = ");
    const RunParameters& p = d.params();
    EXPECT_EQ(p.firstDay, platform::encodeDate(2011, 12, 20));
    EXPECT_EQ(p.lastDay, platform::encodeDate(2011, 12, 21));
    EXPECT_EQ(p.correctionMethod, 1);  // the first character of "12"
    EXPECT_EQ(p.outlierMultiplier, 4.5f);
    EXPECT_EQ(p.negativeSmoothingLevel, 5);
    EXPECT_EQ(p.totalSmoothingLevel, 2);
    EXPECT_TRUE(p.fillSingleGaps);
    EXPECT_EQ(p.timeStepMinutes, 60);
    EXPECT_EQ(p.timeStepDays, 60 / 1440.0);
    EXPECT_EQ(p.linesPerDay, 24);
    EXPECT_EQ(p.outputLineCount, 48);
    EXPECT_EQ(p.trimmingDegree, 3);
    EXPECT_EQ(p.tableKind, 'N');
    EXPECT_EQ(p.timeFormat, "yyyy-mm-dd hh:nn");
    ASSERT_EQ(p.selectedVariableCount, 34);
    EXPECT_EQ(p.selectedVariables[1], 6);
    EXPECT_EQ(p.selectedVariables[2], 4);
    EXPECT_EQ(p.selectedVariables[3], 29);
    EXPECT_EQ(p.selectedVariables[34], 60);
    EXPECT_EQ(p.outputFileName.real, dir.file("result"));  // no extension added
}

TEST(Dialogue, ASingleDailyTableGivesTheDayFromItsName) {
    Dialogue shortcut(kPlainRest, {"KVA111220.TXT"});
    ASSERT_FALSE(shortcut.ended);
    EXPECT_EQ(shortcut.params().firstDay, platform::encodeDate(2011, 12, 20));
    EXPECT_EQ(shortcut.params().lastDay, shortcut.params().firstDay);
    EXPECT_EQ(shortcut.transcript().rfind(std::string(kIntroduction) + " Correction methods", 0), 0u);
    EXPECT_EQ(shortcut.params().outputLineCount, 1440);

    Dialogue wholeMonth("111201\n111231\n" + kPlainRest, {"KVA111200.TXT"});
    ASSERT_FALSE(wholeMonth.ended);
    EXPECT_EQ(wholeMonth.count(" Choose the days to be processed:\n"), 1u);
    EXPECT_EQ(wholeMonth.params().outputLineCount, 31 * 1440);

    Dialogue wrong(kPlainRest, {"KVA119999.TXT"});
    EXPECT_TRUE(wrong.endedWith("wrong filename"));
}

TEST(Dialogue, DaysAreAskedAgainUntilValidAndInOrder) {
    Dialogue d("110231\n111231\n111201\nabc\n111231\n" + kPlainRest);
    ASSERT_FALSE(d.ended);
    EXPECT_EQ(d.count(" wrong entry, please repeat!\n"), 2u);  // 31 February, "abc"
    EXPECT_EQ(d.count(" first day (use 6-digit format YYMMDD) = "), 2u);
    EXPECT_EQ(d.count("  last day (use 6-digit format YYMMDD) = "), 3u);  // 111201 silently refused
    EXPECT_EQ(d.params().firstDay, platform::encodeDate(2011, 12, 31));
    EXPECT_EQ(d.params().lastDay, d.params().firstDay);

    EXPECT_TRUE(Dialogue("\n").endedWith("break"));
    EXPECT_TRUE(Dialogue("111220\n\n").endedWith("break"));
    EXPECT_TRUE(Dialogue("111220\n").endedWith("break"));  // end of input
}

TEST(Dialogue, MultiplierIsAskedForMethodsOneAndThreeOnly) {
    Dialogue method2(kTwoDays + "2\n0\n0\n0\n1\nn\nx\n1\na\n");
    ASSERT_FALSE(method2.ended);
    EXPECT_EQ(method2.params().correctionMethod, 2);
    EXPECT_EQ(method2.params().outlierMultiplier, 0.0f);
    EXPECT_EQ(method2.count("multiplier"), 0u);

    Dialogue refused(kTwoDays + "4\nx\n3\n3,5\n9.01\n2\n9\n0\n0\n0\n1\nn\nx\n1\na\n");
    ASSERT_FALSE(refused.ended);
    EXPECT_EQ(refused.params().correctionMethod, 3);
    EXPECT_EQ(refused.params().outlierMultiplier, 9.0f);
    EXPECT_EQ(refused.count(" wrong value, please repeat!\n"), 5u);
    EXPECT_EQ(refused.count(" Please choose the method (0...3) = "), 3u);
    // The explanation lines come again with every multiplier question.
    EXPECT_EQ(refused.count(" of neighbors at least multiplier times exceeds the standard deviation.\n"
                            " Choose multiplier of std (3...9) = "),
              4u);

    Dialogue lowest(kTwoDays + "1\n3\n0\n0\n0\n1\nn\nx\n1\na\n");
    EXPECT_EQ(lowest.params().outlierMultiplier, 3.0f);
    EXPECT_TRUE(Dialogue(kTwoDays + "1\n\n").endedWith("break"));
    EXPECT_TRUE(Dialogue(kTwoDays + "\n").endedWith("break"));
}

TEST(Dialogue, SmoothingLevelsAndGapFilling) {
    struct Case {
        const char* answer;
        int level;
        size_t refusals;
    };
    for (Case c : {Case{"-1", -1, 0}, Case{"-0", 0, 0}, Case{"10", 1, 0}, Case{"-2\n9", 9, 1}, Case{"x\n-1x", -1, 1},
                   Case{"- 1\n7", 7, 1}}) {
        Dialogue d(kTwoDays + "0\n3\n" + c.answer + "\n1\n1\nn\nx\n1\na\n");
        ASSERT_FALSE(d.ended) << c.answer;
        EXPECT_EQ(d.params().negativeSmoothingLevel, 3);
        EXPECT_EQ(d.params().totalSmoothingLevel, c.level) << c.answer;
        EXPECT_EQ(d.count(" wrong value, please repeat!\n"), c.refusals) << c.answer;
    }
    EXPECT_TRUE(Dialogue(kTwoDays + "0\n0\n-\n").endedWith("break"));   // a minus alone
    EXPECT_TRUE(Dialogue(kTwoDays + "0\n0\n-x\n-\n").endedWith("break"));
    EXPECT_TRUE(Dialogue(kTwoDays + "0\n\n").endedWith("break"));

    Dialogue gaps(kTwoDays + "0\nn\n0\n0\n2\nyes\n0\n1\nn\nx\n1\na\n");
    ASSERT_FALSE(gaps.ended);
    EXPECT_EQ(gaps.count(" wrong value, please repeat!\n"), 3u);
    EXPECT_FALSE(gaps.params().fillSingleGaps);
}

TEST(Dialogue, TimeStepMustDivideADayAndBoundsTheOutputLines) {
    Dialogue seven(kTwoDays + "0\n0\n0\n0\n7\n0\n1441\n1440\n0\nn\nx\n1\na\n");
    ASSERT_FALSE(seven.ended);
    EXPECT_EQ(seven.count(" illegal entry, please repeat!\n"), 3u);
    EXPECT_EQ(seven.params().timeStepMinutes, 1440);
    EXPECT_EQ(seven.params().linesPerDay, 1);
    EXPECT_EQ(seven.params().outputLineCount, 2);

    // 2012 is a leap year: 366 days of one-minute lines are one too many.
    Dialogue leapYear("120101\n121231\n0\n0\n0\n0\n1\n");
    EXPECT_TRUE(leapYear.endedWith("too many output lines!"));
    EXPECT_NE(leapYear.transcript().find("(1...1440) = \n" + closing("too many output lines!")), std::string::npos);

    Dialogue year("110101\n111231\n0\n0\n0\n0\n1\nn\nx\n1\na\n");
    ASSERT_FALSE(year.ended);
    EXPECT_EQ(year.params().outputLineCount, 365 * 1440);

    Dialogue twoYears("110101\n121231\n0\n0\n0\n0\n2\nn\nx\n1\na\n");
    ASSERT_FALSE(twoYears.ended);
    EXPECT_EQ(twoYears.params().outputLineCount, 731 * 720);
}

TEST(Dialogue, TrimmingIsOfferedFromThreeMinuteSteps) {
    Dialogue two(kTwoDays + "0\n0\n0\n0\n2\nn\nx\n1\na\n");
    EXPECT_EQ(two.count("trimming"), 0u);
    EXPECT_EQ(two.params().trimmingDegree, 0);
    EXPECT_NE(two.transcript().find("(1...1440) = \n\n Compile"), std::string::npos);

    Dialogue three(kTwoDays + "0\n0\n0\n0\n3\n2\n1\nn\nx\n1\na\n");
    ASSERT_FALSE(three.ended);
    EXPECT_EQ(three.params().trimmingDegree, 1);
    EXPECT_EQ(three.count(" Please choose trimming degree g (0...1) = "), 2u);
    EXPECT_EQ(three.count(" g lowest and g highest entries can be trimmed away\n"), 2u);
    EXPECT_EQ(three.count(" illegal entry, please repeat!\n"), 1u);

    Dialogue hour(kTwoDays + "0\n0\n0\n0\n60\n21\n20\nn\nx\n1\na\n");
    EXPECT_EQ(hour.params().trimmingDegree, 20);
    EXPECT_EQ(hour.count("(0...20) = "), 2u);
    EXPECT_TRUE(Dialogue(kTwoDays + "0\n0\n0\n0\n60\n\n").endedWith("break"));
}

TEST(Dialogue, DiagramTablesGoToTheWorkFolderOrANewSubfolder) {
    TempFolder dir;
    std::string work = dir.folder();
    dir.write("taken", "a file in the way");
    Dialogue sub(kTwoDays + "0\n0\n0\n0\n10\n0\nx\nd\ntaken/x\nday/tables\n", {"KVA1.TXT", "KVA2.TXT"}, work);
    ASSERT_FALSE(sub.ended) << sub.transcript();
    EXPECT_EQ(sub.count(" wrong character, please repeat!\n"), 1u);
    EXPECT_EQ(sub.params().tableKind, 'D');
    EXPECT_EQ(sub.count(" illegal name, please repeat!\n"), 1u);
    EXPECT_EQ(sub.count(" Diagram tables can be saved directly into the work folder or\n"
                        " into a subfolder (immediate ENTER stands for the work folder).\n"
                        " Press ENTER or write a name for the subfolder = "),
              2u);
    EXPECT_EQ(sub.params().diagramFolder.real, work + "day/tables");
    EXPECT_TRUE(std::filesystem::is_directory(work + "day/tables"));
    EXPECT_TRUE(sub.params().timeFormat.empty());
    EXPECT_EQ(sub.params().selectedVariableCount, 0);
    EXPECT_EQ(sub.count("output file"), 0u);
    EXPECT_NE(sub.transcript().find("subfolder = \n"), std::string::npos);

    Dialogue here(kTwoDays + "0\n0\n0\n0\n10\n0\nD\n\n", {"KVA1.TXT", "KVA2.TXT"}, work);
    ASSERT_FALSE(here.ended);
    EXPECT_EQ(here.params().diagramFolder.real, work);

    // An illegal name at the end of the input would be asked forever.
    EXPECT_THROW(Dialogue(kTwoDays + "0\n0\n0\n0\n10\n0\nD\n", {"KVA1.TXT", "KVA2.TXT"}, work + "taken/"),
                 platform::RunError);
}

TEST(Dialogue, VariableListsAreAskedUntilLegal) {
    Dialogue d(kTwoDays + "0\n0\n0\n0\n1\nf\n\n1-120\n6,\n78-81\n81-100,101-120\nout\n");
    ASSERT_FALSE(d.ended) << d.transcript();
    EXPECT_EQ(d.params().tableKind, 'F');
    EXPECT_EQ(d.params().timeFormat, "");  // an empty format is stored, not a break
    EXPECT_EQ(d.count(" illegal list, please repeat!\n"), 5u);  // 2 + 1 + 2
    EXPECT_EQ(d.count("\n Example of a list: 6,4,29-60 (see rules in the manual)\n Write list of variable numbers = "),
              4u);
    EXPECT_EQ(d.params().selectedVariableCount, 40);
    EXPECT_EQ(d.params().selectedVariables[1], 81);
    EXPECT_EQ(d.params().selectedVariables[40], 120);
    EXPECT_TRUE(Dialogue(kTwoDays + "0\n0\n0\n0\n1\nn\nx\n\n").endedWith("break"));
}

TEST(VariableList, FollowsTheListGrammar) {
    int list[kVariableCount + 1] = {};
    EXPECT_EQ(expandVariableList("1-78", list), 78);
    EXPECT_EQ(list[78], 78);
    EXPECT_EQ(expandVariableList(" 6 , 4,29 -60 ", list), 34);
    EXPECT_EQ(list[1], 6);
    EXPECT_EQ(list[2], 4);
    EXPECT_EQ(list[3], 29);
    EXPECT_EQ(expandVariableList("6,6", list), 2);
    EXPECT_EQ(list[1], 6);
    EXPECT_EQ(list[2], 6);
    EXPECT_EQ(expandVariableList("120", list), 1);
    EXPECT_EQ(expandVariableList("1-120", list), 120);  // 79 and 80 are refused by the dialogue
    for (const char* illegal : {"60-29", "0,5", "5,121", "6,", ",6", "-5", "5-", "5-6-7", "", "a", "5.0", "1;2",
                                "99999999999999999999", "1-99999999999"})
        EXPECT_EQ(expandVariableList(illegal, list), -1) << illegal;
}

TEST(VariableList, MoreThan120ItemsOrNumbersIsARunTimeError) {
    int list[kVariableCount + 1] = {};
    std::string items = "1";
    for (int i = 2; i <= 120; ++i) items += ",1";
    EXPECT_EQ(expandVariableList(items, list), 120);
    EXPECT_THROW(expandVariableList(items + ",1", list), platform::RunError);
    EXPECT_THROW(expandVariableList("1-78,1-78", list), platform::RunError);
}

TEST(Dialogue, AnOutputFileThatExistsIsAskedAgain) {
    TempFolder dir;
    dir.write("used.txt", "x");
    Dialogue d(kTwoDays + "0\n0\n0\n0\n1\nn\nx\n1\nused.txt\nfresh\n", {"KVA1.TXT", "KVA2.TXT"}, dir.folder());
    ASSERT_FALSE(d.ended);
    EXPECT_EQ(d.count(" this filename is already used, please repeat!\n"), 1u);
    EXPECT_EQ(d.params().outputFileName.real, dir.file("fresh"));
    EXPECT_TRUE(Dialogue(kTwoDays + "0\n0\n0\n0\n1\nn\nx\n1\n\n").endedWith("break"));
}

TEST(DateFromYYMMDD, ReadsThreeTwoCharacterNumbers) {
    EXPECT_EQ(dateFromYYMMDD("111220"), platform::encodeDate(2011, 12, 20));
    EXPECT_EQ(dateFromYYMMDD("000229"), platform::encodeDate(2000, 2, 29));
    EXPECT_EQ(dateFromYYMMDD("991231.TXT"), platform::encodeDate(2099, 12, 31));
    EXPECT_EQ(dateFromYYMMDD("11 1 5"), platform::encodeDate(2011, 1, 5));  // leading blanks in a group
    EXPECT_EQ(dateFromYYMMDD("111x20"), platform::encodeDate(2011, 1, 20));  // reading stops at the x
    EXPECT_EQ(dateFromYYMMDD("010229"), 0);
    EXPECT_EQ(dateFromYYMMDD("111200"), 0);
    EXPECT_EQ(dateFromYYMMDD("1112"), 0);
    EXPECT_EQ(dateFromYYMMDD(""), 0);
}
