#include "postprocessor/input/dialogue.hpp"

#include <string>

#include "platform/datetime.hpp"
#include "platform/files.hpp"
#include "platform/number_text.hpp"
#include "platform/run_error.hpp"
#include "platform/text.hpp"
#include "postprocessor/run.hpp"

namespace postprocessor {

namespace {

constexpr std::string_view kWrongValue = " wrong value, please repeat!";
constexpr std::string_view kIllegalEntry = " illegal entry, please repeat!";
constexpr std::string_view kDigits = "0123456789";
constexpr std::string_view kIllegalList = " illegal list, please repeat!";

// One question at a time: a prompt, one answer line.
class Asker {
public:
    explicit Asker(platform::Console& console) : console_(console) {}

    void line(std::string_view text) { console_.writeLine(text); }

    // The whole answer line, possibly empty.
    std::string answer(std::string_view prompt) {
        console_.writePrompt(prompt);
        std::string text;
        console_.readLine(text);
        return text;
    }

    // The whole answer line; an empty answer cancels the run.
    std::string answerOrBreak(std::string_view prompt) {
        std::string text = answer(prompt);
        if (text.empty()) cancel();
        return text;
    }

    // The first character of the answer; an empty answer cancels the run.
    char characterOrBreak(std::string_view prompt) { return answerOrBreak(prompt)[0]; }

    [[noreturn]] void cancel() { finishRun(console_, "break"); }

    // The first character of the answer (upper-cased if asked), asked until
    // it is one of `allowed`.
    char characterOf(std::string_view prompt, std::string_view allowed, std::string_view message,
                     bool upperCase = false) {
        for (;;) {
            char c = characterOrBreak(prompt);
            if (upperCase) c = platform::toUpperAscii(c);
            if (allowed.find(c) != std::string_view::npos) return c;
            refuse(message);
        }
    }

    // A refused answer; a question that can't end through an empty answer
    // would be asked forever once the input has ended.
    void refuse(std::string_view message) {
        console_.writeLine(message);
        if (console_.inputEnded()) platform::fail("the console input ended before the dialogue was complete");
    }

private:
    platform::Console& console_;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The whole text as a whole number within [low, high].
bool wholeNumberIn(std::string_view text, long long low, long long high, long long& value) {
    return platform::parseInt(text, value) && value >= low && value <= high;
}

// Reads a two-character group as a number: leading blanks skipped, digits up
// to the first other character, 0 without digits.
int groupNumber(std::string_view group) {
    size_t i = 0;
    while (i < group.size() && group[i] == ' ') ++i;
    int value = 0;
    while (i < group.size() && isDigit(group[i])) value = value * 10 + (group[i++] - '0');
    return value;
}

std::string_view charactersFrom(std::string_view text, size_t first, size_t count) {
    return first >= text.size() ? std::string_view() : text.substr(first, count);
}

void askDays(Asker& ask, const InputSet& input, RunParameters& params, platform::Console& console) {
    if (input.inputFileCount == 1) {
        std::string_view name = platform::fileNamePart(input.inputFiles[0].display);
        std::string_view yymmdd = charactersFrom(name, 3, 6);
        if (charactersFrom(yymmdd, 4, 2) != "00") {
            params.firstDay = dateFromYYMMDD(yymmdd);
            if (params.firstDay == 0) finishRun(console, "wrong filename");
            params.lastDay = params.firstDay;
            return;
        }
    }
    ask.line(" Choose the days to be processed:");
    do {
        params.firstDay = dateFromYYMMDD(ask.answerOrBreak(" first day (use 6-digit format YYMMDD) = "));
        if (params.firstDay == 0) ask.refuse(" wrong entry, please repeat!");
    } while (params.firstDay == 0);
    do {
        params.lastDay = dateFromYYMMDD(ask.answerOrBreak("  last day (use 6-digit format YYMMDD) = "));
        if (params.lastDay == 0) ask.refuse(" wrong entry, please repeat!");
    } while (params.lastDay < params.firstDay);
    ask.line("");
}

void askCorrectionMethod(Asker& ask, RunParameters& params) {
    ask.line(" Correction methods (see KEVOR manual for detailed explanations):");
    ask.line("    0 = no correction,");
    ask.line("    1 = elimination of outliers");
    ask.line("    2 = suppression of dust-induced errors,");
    ask.line("    3 = combination of the methods 1 and 2.");
    params.correctionMethod = ask.characterOf(" Please choose the method (0...3) = ", "0123", kWrongValue) - '0';
    params.outlierMultiplier = 0;
    if (params.correctionMethod == 1 || params.correctionMethod == 3) {
        for (;;) {
            ask.line(" A value is qualified as outlier when the deviation from the average");
            ask.line(" of neighbors at least multiplier times exceeds the standard deviation.");
            std::string text = ask.answerOrBreak(" Choose multiplier of std (3...9) = ");
            std::string_view number(text);
            while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
            float value = 0;
            if (platform::parseFloat(number, value) && value >= 3.0f && value <= 9.0f) {
                params.outlierMultiplier = value;
                break;
            }
            ask.refuse(kWrongValue);
        }
    }
    ask.line("");
}

void askNegativeSmoothing(Asker& ask, RunParameters& params) {
    ask.line(" Some random errors can be suppressed repeating n times the smoothing,");
    ask.line(" which replaces only negative values of distribution functions with");
    ask.line(" (1+2+1)/4-triplet averages over the neighborhoods of these values,");
    params.negativeSmoothingLevel =
        ask.characterOf(" please choose smoothing level for negatives n (0...9) = ", kDigits, kWrongValue) - '0';
    ask.line("");
}

void askTotalSmoothing(Asker& ask, RunParameters& params) {
    ask.line(" The data can be totally smoothed repeating k times the replacing");
    ask.line(" of values with (1+2+1)/4-triplet averages over the neighbors.");
    ask.line(" Diagram tables will be additionally couple-smoothed by default.");
    ask.line(" Extra choice k = -1 is equivalent of k = 0 for triplet smoothing,");
    ask.line(" but cancels default couple smoothing of diagram tables.");
    for (;;) {
        // The first character, and after a minus the second one too.
        std::string text = ask.answerOrBreak(" Please choose total smoothing level k (-1...9) = ");
        if (isDigit(text[0])) {
            params.totalSmoothingLevel = text[0] - '0';
            break;
        }
        if (text[0] == '-') {
            if (text.size() < 2) ask.cancel();
            if (text[1] == '1' || text[1] == '0') {
                params.totalSmoothingLevel = text[1] == '1' ? -1 : 0;
                break;
            }
        }
        ask.refuse(kWrongValue);
    }
    ask.line("");
}

void askGapFilling(Asker& ask, RunParameters& params) {
    ask.line(" Single gaps in time series can be filled with interpolated values.");
    params.fillSingleGaps = ask.characterOf(" fill single gaps (1) or not (0), write 0 or 1 : ", "01", kWrongValue) == '1';
    ask.line("");
}

void askTimeStep(Asker& ask, RunParameters& params, platform::Console& console) {
    long long step = 0;
    for (;;) {
        std::string text = ask.answerOrBreak(" Write time step for output table in minutes (1...1440) = ");
        if (wholeNumberIn(text, 1, 1440, step) && 1440 % step == 0) break;
        ask.refuse(kIllegalEntry);
    }
    params.timeStepMinutes = static_cast<int>(step);
    params.timeStepDays = static_cast<double>(step) / 1440.0;
    params.linesPerDay = static_cast<int>(1440 / step);
    // Both days are whole days from 2000 to 2099: the product stays far
    // within a 64-bit integer.
    long long days = static_cast<long long>(params.lastDay - params.firstDay) + 1;
    long long lines = params.linesPerDay * days;
    ask.line("");
    if (lines > kMaxOutputLines) finishRun(console, "too many output lines!");
    params.outputLineCount = static_cast<int>(lines);
}

void askTrimming(Asker& ask, RunParameters& params) {
    params.trimmingDegree = 0;
    int gMax = (params.timeStepMinutes - 1) / 2;
    if (gMax > 20) gMax = 20;
    if (gMax >= 1) {
        std::string prompt = " Please choose trimming degree g (0..." + std::to_string(gMax) + ") = ";
        for (;;) {
            ask.line(" g lowest and g highest entries can be trimmed away");
            ask.line(" when calculating averages in the enhanced time intervals.");
            long long g = 0;
            if (wholeNumberIn(ask.answerOrBreak(prompt), 0, gMax, g)) {
                params.trimmingDegree = static_cast<int>(g);
                break;
            }
            ask.refuse(kIllegalEntry);
        }
    }
    ask.line("");
}

void askTableKind(Asker& ask, RunParameters& params) {
    params.tableKind = ask.characterOf(" Compile Normal table, Fraction table, or Diagram tables (N, F, or D) = ",
                                       "NFD", " wrong character, please repeat!", true);
}

PathName inWorkFolder(const InputSet& input, const std::string& name) {
    return {input.workFolder.display + name, input.workFolder.real + name};
}

void askDiagramFolder(Asker& ask, const InputSet& input, RunParameters& params) {
    for (;;) {
        ask.line(" Diagram tables can be saved directly into the work folder or");
        ask.line(" into a subfolder (immediate ENTER stands for the work folder).");
        params.diagramFolder = inWorkFolder(input, ask.answer(" Press ENTER or write a name for the subfolder = "));
        // An empty work folder with an empty answer is the current folder.
        const std::string& real = params.diagramFolder.real;
        if (real.empty() || platform::folderExists(real) || platform::createFolders(real)) return;
        ask.refuse(" illegal name, please repeat!");
    }
}

void askVariables(Asker& ask, RunParameters& params) {
    ask.line("");
    ask.line(" See rules for time formatting in the manual");
    ask.line(" (examples: x = no extra column, yyyy-mm-dd hh:nn = ISO standard)");
    params.timeFormat = platform::toLowerAscii(ask.answer(" and choose format for time presentation = "));
    for (;;) {
        ask.line("");
        ask.line(" Example of a list: 6,4,29-60 (see rules in the manual)");
        params.selectedVariableCount = 0;
        int count = expandVariableList(ask.answerOrBreak(" Write list of variable numbers = "),
                                       params.selectedVariables);
        if (count < 0) {
            ask.refuse(kIllegalList);
            continue;
        }
        bool legal = true;
        for (int i = 1; i <= count; ++i) {
            if (params.selectedVariables[i] == 79 || params.selectedVariables[i] == 80) {
                ask.refuse(kIllegalList);
                legal = false;
            }
        }
        if (legal) {
            params.selectedVariableCount = count;
            return;
        }
    }
}

void askOutputFile(Asker& ask, const InputSet& input, RunParameters& params) {
    for (;;) {
        params.outputFileName = inWorkFolder(input, ask.answerOrBreak(" Please choose name for the output file = "));
        if (!platform::fileExists(params.outputFileName.real)) return;
        ask.refuse(" this filename is already used, please repeat!");
    }
}

}  // namespace

double dateFromYYMMDD(std::string_view text) {
    int yy = groupNumber(charactersFrom(text, 0, 2));
    int mm = groupNumber(charactersFrom(text, 2, 2));
    int dd = groupNumber(charactersFrom(text, 4, 2));
    platform::DateTime date = 0;
    if (!platform::tryEncodeDate(2000 + yy, mm, dd, date)) return 0;
    return date;
}

int expandVariableList(std::string_view answer, int (&list)[kVariableCount + 1]) {
    std::string text;
    for (char c : answer)
        if (c != ' ') text += c;

    struct Item {
        long long first = 0, last = 0;
    };
    Item items[kVariableCount];
    int itemCount = 0;
    bool legal = true;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        std::string_view item = std::string_view(text).substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (itemCount == kVariableCount) platform::fail("the list of variables has more than 120 items");
        Item& range = items[itemCount++];
        size_t dash = item.find('-');
        bool numbers = dash == std::string_view::npos
                           ? platform::parseInt(item, range.first)
                           : platform::parseInt(item.substr(0, dash), range.first) &&
                                 platform::parseInt(item.substr(dash + 1), range.last);
        if (dash == std::string_view::npos) range.last = range.first;
        if (!numbers || range.first < 1 || range.first > range.last || range.last > kVariableCount) legal = false;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (!legal) return -1;

    int count = 0;
    for (int i = 0; i < itemCount; ++i) {
        for (long long v = items[i].first; v <= items[i].last; ++v) {
            if (count == kVariableCount) platform::fail("the list of variables expands to more than 120 numbers");
            list[++count] = static_cast<int>(v);
        }
    }
    return count;
}

void runDialogue(PostprocessorRun& run) {
    platform::Console& console = run.console;
    RunParameters& params = run.params;
    Asker ask(console);
    ask.line(" Please answer some questions below. Asked parameters are explained");
    ask.line(" in the manual of KEVOR. NB: the input procedure can be interrupted");
    ask.line(" pressing ENTER without entering any answer.");
    ask.line("");
    askDays(ask, run.input, params, console);
    askCorrectionMethod(ask, params);
    askNegativeSmoothing(ask, params);
    askTotalSmoothing(ask, params);
    askGapFilling(ask, params);
    askTimeStep(ask, params, console);
    askTrimming(ask, params);
    askTableKind(ask, params);
    params.timeFormat.clear();
    params.selectedVariableCount = 0;
    if (params.tableKind == 'D')
        askDiagramFolder(ask, run.input, params);
    else
        askVariables(ask, params);
    ask.line("");
    if (params.tableKind != 'D') askOutputFile(ask, run.input, params);
}

}  // namespace postprocessor
