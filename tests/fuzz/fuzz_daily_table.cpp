// Fuzz target: daily tables loaded and put through every postprocessing
// stage and writer.
//
// The input's leading bytes choose the answers of the dialogue
// (fuzz_inputs.hpp); the rest is one daily table, or two in a folder. The
// days asked for are those around the date of the first data line. A run
// ends normally, after a foreseen message, or through a run-time error; what
// it writes holds numbers where numbers belong, and no temporary file stays.
#include <algorithm>
#include <sstream>

#include "platform/datetime.hpp"
#include "platform/number_text.hpp"
#include "postprocessor/run.hpp"
#include "tests/fuzz/fuzz_checks.hpp"
#include "tests/fuzz/fuzz_inputs.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

constexpr const char* kTimeFormats[] = {"", "x", "j", "j.f", "t.f", "yyyy-mm-dd hh:nn", "dd/mm/yy h:n:s"};
constexpr const char* kVariableLists[] = {
    "1-78", "6,4,29-60", "1-6,9-28,61-78", "2, 1, 3 - 5", "75,76,77,78", "81-83", "101-103,9", "61", "9-28,81,101"};

// The date of the first data line (column 1 of line 4, yymmdd), when it is
// one; 2011-12-20 otherwise.
platform::DateTime tableDate(std::string_view table) {
    for (int line = 0; line < 3; ++line) {
        size_t lf = table.find('\n');
        table = lf == std::string_view::npos ? std::string_view() : table.substr(lf + 1);
    }
    long long yymmdd = 0;
    platform::DateTime day = 0;
    const size_t end = table.find_first_of("\t \r\n");
    if (platform::parseInt(table.substr(0, end), yymmdd) && yymmdd >= 0 && yymmdd <= 991231 &&
        platform::tryEncodeDate(2000 + static_cast<int>(yymmdd / 10000), static_cast<int>(yymmdd / 100 % 100),
                                static_cast<int>(yymmdd % 100), day))
        return day;
    return platform::encodeDate(2011, 12, 20);
}

std::string yymmdd(platform::DateTime day) { return platform::formatDateTime("yymmdd", day); }

std::string dialogueAnswers(const std::vector<uint8_t>& b, platform::DateTime date) {
    const platform::DateTime first = std::max(date + (b[10] % 3) - 1, platform::encodeDate(2000, 1, 1));
    const platform::DateTime last = std::min(first + (b[10] / 3) % 3, platform::encodeDate(2099, 12, 31));
    std::string a = yymmdd(first) + "\n" + yymmdd(last) + "\n";
    const int method = b[0] % 4;
    a += std::to_string(method) + "\n";
    if (method == 1 || method == 3) a += platform::formatFixed(3 + (b[1] % 61) / 10.0, 1) + "\n";
    a += std::to_string(b[2] % 10) + "\n";
    a += std::to_string(b[3] % 11 - 1) + "\n";
    a += std::to_string(b[4] % 2) + "\n";
    const int step = fuzz::kTimeSteps[b[5] % 36];
    a += std::to_string(step) + "\n";
    const int gMax = std::min((step - 1) / 2, 20);
    if (gMax >= 1) a += std::to_string(b[6] % (gMax + 1)) + "\n";
    const char kind = "NFD"[b[7] % 3];
    a += std::string(1, kind) + "\n";
    if (kind == 'D') return a + (b[11] & 8 ? "diagrams\n" : "\n");
    a += std::string(kTimeFormats[b[8] % std::size(kTimeFormats)]) + "\n";
    a += std::string(kVariableLists[b[9] % std::size(kVariableLists)]) + "\n";
    return a + "out.txt\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Scratch& scratch = fuzz::Scratch::get();
    scratch.reset();
    const fuzz::Input input = fuzz::splitInput(data, size, fuzz::kTablePrefix, fuzz::kTableFiles);
    const std::vector<uint8_t>& b = input.prefix;
    const platform::DateTime date = tableDate(input.parts[0]);

    // Named with day 00, so that the days are asked for.
    const std::string month = "KVA" + yymmdd(date).substr(0, 4);
    std::string dragged = scratch.write(month + "00.txt", input.parts[0]);
    if (input.parts.size() > 1) {
        scratch.write(month + "01.txt", input.parts[1]);
        dragged = scratch.root() + "/w";
    }
    const int diameters = (b[11] >> 1) & 3;
    if (diameters > 0) scratch.write("diameters.txt", std::string("0.5\n1.7\n7.0").substr(0, diameters * 4 - 1));
    std::vector<std::string> args{dragged};
    if (b[11] & 1) args.push_back(scratch.work() + "other");

    std::istringstream answers(dialogueAnswers(b, date));
    std::ostringstream transcript;
    platform::Console console(answers, transcript);
    postprocessor::PostprocessorRun run(console, args);
    fuzz::HeldTables& held = fuzz::HeldTables::get();
    held.lendTo(run);
    fuzz::runAllowed([&] { postprocessor::runPostprocessor(run); });
    fuzz::checkPostprocessorTables(run);  // with the grid, for the lines of a table
    held.takeBack(run);
    fuzz::expectNoTemporaryFile();
    return 0;
}
