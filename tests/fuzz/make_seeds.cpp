// fuzz-seeds FOLDER: writes the first corpus of every fuzz target into
// FOLDER/<target>/, made by the raw-file generator and the converter itself.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "converter/run.hpp"
#include "generator.hpp"
#include "platform/datetime.hpp"
#include "platform/files.hpp"
#include "platform/number_text.hpp"
#include "postprocessor/run.hpp"
#include "tests/fuzz/fuzz_inputs.hpp"
#include "tests/fuzz/fuzz_support.hpp"
#include "tests/postprocessor/input/daily_table_maker.hpp"

namespace {

namespace fs = std::filesystem;

// Raw files of a short stretch of records, read back as texts.
std::vector<std::string> rawFiles(int day, int fromSecond, int toSecond, int days, int filesPerDay,
                                  int conflictFile = 0, uint64_t seed = 1) {
    fuzz::Scratch& scratch = fuzz::Scratch::get();
    scratch.reset();
    kevorgen::Options o;
    o.outFolder = scratch.work();
    o.day = day;
    o.days = days;
    o.filesPerDay = filesPerDay;
    o.intervalSeconds = 60;
    o.fromSecond = fromSecond;
    o.toSecond = toSecond;
    o.zeroEveryMinutes = 5;
    o.headerConflictFile = conflictFile;
    o.seed = seed;
    o.quiet = true;
    kevorgen::generate(o);
    std::vector<std::string> texts;
    for (const fs::directory_entry& entry : fs::directory_iterator(scratch.work()))
        texts.push_back(entry.path().string());
    std::sort(texts.begin(), texts.end());
    for (std::string& path : texts) path = fuzz::readFile(path);
    return texts;
}

// The daily table the converter makes of the given raw files.
std::string dailyTable(const std::vector<std::string>& raw, const std::string& settings,
                       const std::string& name = "KVA111218.txt") {
    fuzz::Scratch& scratch = fuzz::Scratch::get();
    scratch.reset();
    for (size_t i = 0; i < raw.size(); ++i) scratch.write("_KVA111218.00" + std::to_string(i + 1), raw[i]);
    kevorgen::writeSettingsFile(scratch.work(), settings + ",extension=txt");
    std::istringstream in;
    std::ostringstream out;
    platform::Console console(in, out);
    converter::runConverter(console, {scratch.root() + "/w"});
    const std::string path = scratch.work() + name;
    if (!platform::fileExists(path)) throw std::runtime_error("the converter made no daily table:\n" + out.str());
    return fuzz::readFile(path);
}

// The table with its fraction columns (9..60) multiplied by `factor` (at
// most 3e38, still a single float), as a converter fed with extreme
// instrument coefficients would write it.
std::string scaledFractions(const std::string& table, double factor) {
    std::string scaled;
    size_t start = 0;
    for (int line = 1; start < table.size(); ++line) {
        size_t end = table.find("\r\n", start);
        if (end == std::string::npos) end = table.size();
        const std::string text = table.substr(start, end - start);
        start = end + 2;
        if (line <= 3) {
            scaled += text + "\r\n";
            continue;
        }
        std::vector<std::string_view> fields = fuzz::splitTabs(text);
        std::string out;
        for (size_t c = 1; c <= fields.size(); ++c) {
            if (c > 1) out += '\t';
            double value = 0;
            if (c >= 9 && c <= 60 && platform::parseReal(fields[c - 1], value))
                platform::appendFixed(out, std::min(value * factor, 3e38), 0);
            else
                out += fields[c - 1];
        }
        scaled += out + "\r\n";
    }
    return scaled;
}

// The Normal or Fraction table "out.txt" that the postprocessor makes of a
// daily table of 2011-12-18, with the extra diameters 1.0 and 2.5.
std::string postprocessedTable(const std::string& daily, const std::string& answers) {
    fuzz::Scratch& scratch = fuzz::Scratch::get();
    scratch.reset();
    scratch.write("KVA111218.txt", daily);
    scratch.write("diameters.txt", "1.0\r\n2.5\r\n");
    std::istringstream in(answers);
    std::ostringstream out;
    platform::Console console(in, out);
    postprocessor::runPostprocessor(console, {scratch.work() + "KVA111218.txt"});
    const std::string path = scratch.work() + "out.txt";
    if (!platform::fileExists(path)) throw std::runtime_error("the postprocessor made no table:\n" + out.str());
    return fuzz::readFile(path);
}

struct SeedWriter {
    fs::path folder;
    void operator()(const std::string& target, const std::string& name, const std::string& content) const {
        fs::create_directories(folder / target);
        std::ofstream(folder / target / name, std::ios::binary) << content;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz-seeds FOLDER\n");
        return 2;
    }
    try {
        const SeedWriter seed{fs::absolute(argv[1])};
        using fuzz::joinInput;

        // Raw files: half an hour in one file, in two files with differing
        // headers, and the last twenty minutes of two days.
        const std::vector<std::string> halfHour = rawFiles(18, 6 * 3600, 6 * 3600 + 1799, 1, 1);
        seed("raw-conversion", "standard-5", joinInput(fuzz::encodeRawCase(0, 5, 10, 3), halfHour));
        seed("raw-conversion", "cluster-0", joinInput(fuzz::encodeRawCase(1, 0, 3, 1), halfHour));
        seed("raw-conversion", "basic-10", joinInput(fuzz::encodeRawCase(2, 10, 10, 0), halfHour));
        seed("raw-conversion", "conflict-1",
             joinInput(fuzz::encodeRawCase(0, 1, 3, 2), rawFiles(18, 6 * 3600, 6 * 3600 + 1199, 1, 2, 2)));
        seed("raw-conversion", "two-evenings",
             joinInput(fuzz::encodeRawCase(1, 3, 6, 3), rawFiles(18, 23 * 3600 + 2400, 86399, 2, 1)));

        // Settings files and answers.
        const std::string header = std::string(fuzz::kSettingsHeader) + "   settings\r\n";
        seed("settings", "complete",
             joinInput({}, {header + "outputstyle=0    standard data\r\n cycles\r\ncycleminutes=5\r\nzerominutes=10\r\n"
                                     "extracorrect=3\r\nc_inv_n2=-0.15\r\nc_inv_n1=0.3\r\nc_inv_p1=0.3\r\n"
                                     "c_inv_p2=-0.15\r\nz_limit=1\r\nextension=txt\r\n",
                            ""}));
        seed("settings", "asked",
             joinInput({}, {header + "outputstyle=1.5\r\ncycleminutes=7.5\r\nextracorrect=2\r\nz_limit=0\r\n",
                            "4\n12\n2\n5\n30\n0.5\n-0.2\n0.1\n-0.05\n11\n0.4\nkva\n"}));
        seed("settings", "none", joinInput({}, {header, "x\n-1\n0\n1\n2\n3\n1e0\ntxt\n"}));

        // Daily tables of the converter, with answers of every kind.
        const std::vector<std::string> morning = rawFiles(18, 6 * 3600, 7 * 3600 + 1799, 1, 1, 0, 7);
        const std::string minutes = dailyTable(morning, "outputstyle=0,cycleminutes=1,zerominutes=5,extracorrect=3");
        const std::string cycles = dailyTable(morning, "outputstyle=1,cycleminutes=0,zerominutes=10,extracorrect=1");
        seed("daily-table", "normal", joinInput(fuzz::encodeTableCase(3, 10, 'N', 0), {minutes}));
        seed("daily-table", "fraction", joinInput(fuzz::encodeTableCase(1, 5, 'F', 5), {minutes}));
        seed("daily-table", "diagram", joinInput(fuzz::encodeTableCase(2, 3, 'D', 0), {cycles}));
        seed("daily-table", "two-tables", joinInput(fuzz::encodeTableCase(0, 1, 'N', 1), {minutes, cycles}));
        // KEVORNC's tables: the daily tables of both styles, one of basic
        // data, and a Normal and a Fraction table made of `minutes`.
        seed("nc-table", "daily-8", minutes);
        seed("nc-table", "daily-16", cycles);
        seed("nc-table", "basic",
             dailyTable(morning, "outputstyle=2,cycleminutes=1,zerominutes=5,extracorrect=0", "~KVA111218.txt"));
        seed("nc-table", "normal", postprocessedTable(minutes, "0\n0\n0\n0\n5\n1\nN\nyyyy-mm-dd hh:nn\n1-78\nout.txt\n"));
        seed("nc-table", "fraction",
             postprocessedTable(minutes, "1\n4\n2\n-1\n1\n2\nF\nj.f\n1,2,9-28,61,81,82,101,9\nout.txt\n"));

        std::string regular = kevor_test::dailyHeader(kevor_test::standardTitles());
        for (int k = 0; k < 60; ++k)
            kevor_test::appendDailyLine(regular, platform::encodeDate(2011, 12, 18) + 0.25 + k / 1440.0, k);
        seed("daily-table", "loud", joinInput(fuzz::encodeTableCase(3, 2, 'N', 1), {scaledFractions(regular, 1e35)}));

        seed("diameters", "two", "1.0\r\n2.5\r\n");
        seed("diameters", "bounds", "0.5\n7.0 upper bound\n\n3e0");
        std::string twenty;
        for (int i = 1; i <= 20; ++i) twenty += std::to_string(0.5 + i * 0.3) + "\r\n";
        seed("diameters", "twenty", twenty);

        // Diagram tables: a 10-minute day with a growing mode, an hourly one
        // with zero rows, LF line ends.
        auto diagramTable = [](int step, int zeroFrom, int zeroTo, const char* lineEnd) {
            std::string table;
            for (int minute = 0; minute <= 1440; minute += step) {
                table += std::to_string(minute);
                for (int c = 0; c < 20; ++c) {
                    const bool zero = minute >= zeroFrom && minute < zeroTo;
                    table += '\t' + std::to_string(zero ? 0 : 5 + (minute / step * 37 + c * 211) % 4000);
                }
                table += lineEnd;
            }
            return table;
        };
        seed("diagram-picture", "ten-minutes", diagramTable(10, 0, 360, "\r\n"));
        seed("diagram-picture", "hourly-lf", diagramTable(60, 600, 900, "\n"));

        // The first byte chooses the program (fuzz_dialogues.cpp).
        auto typed = [](char program, const std::string& answers) { return std::string(1, program) + answers; };
        seed("dialogues", "converter-rewrite", typed(0, "1\n0\n5\n10\n3\ntxt\nr\n\n"));
        seed("dialogues", "converter-rename", typed(0, "x\n1\n3\n0\n2\n1\n9\n1\n\nnew.txt\n\n"));
        seed("dialogues", "converter-cancel", typed(0, "0\n"));
        seed("dialogues", "normal", typed(1, "111218\n111218\n3\n4\n2\n2\n1\n10\n2\nN\n\n1-78\nout.txt\n\n"));
        seed("dialogues", "fraction", typed(3, "111218\n111219\n1\n3.5\n0\n-1\n0\n5\n2\nf\nj.f\n81,101,9-28\nf.txt\n"));
        seed("dialogues", "diagram", typed(1, "111217\n111218\n2\n0\n9\n0\n3\n1\nD\ndiagrams\n\n"));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fuzz-seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
