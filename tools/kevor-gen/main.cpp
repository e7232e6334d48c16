// kevor-gen: writes synthetic raw files of a KEVOR air-ion spectrometer.
//
//   kevor-gen --out DIR [options]
//
// The same options and seed always give the same files.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include "generator.hpp"

namespace {

const char* const kUsage =
    "usage: kevor-gen [options]\n"
    "  --out DIR              folder for the raw files (created if missing; default .)\n"
    "  --start YYYY-MM-DD     date of the first day (default 2011-12-18)\n"
    "  --days N               number of consecutive days (default 1)\n"
    "  --files-per-day K      split each day into files .001 ... .K (default 1)\n"
    "  --interval S           seconds between records (default 30)\n"
    "  --from HH:MM:SS        time of a day's first record (default 00:00:00)\n"
    "  --to HH:MM:SS          no record after this time of day (default 23:59:59)\n"
    "  --records-per-day N    at most N records a day\n"
    "  --seed N               seed of the random part (default 1)\n"
    "  --zero-every M         a burst of zero records every M minutes (default 10; 0: none)\n"
    "  --zero-count N         zero records per burst (default 3)\n"
    "  --gap HH:MM-HH:MM      no records in this span of every day\n"
    "  --dust-rate P          share of records with a dust pulse (default 0.002)\n"
    "  --broken-record N      record N (over all files, from 1) gets a field that is no integer\n"
    "  --broken-field F       that field's number (default 10)\n"
    "  --broken-token TEXT    the text written there (default 4x7)\n"
    "  --split-record N       record N is written over two lines (40 + 47 numbers)\n"
    "  --header-fields N      TAB fields of header line 2 (default 27; below 25 no coefficients)\n"
    "  --coefficients A,B,C,D,Z  c_inv_n2, c_inv_n1, c_inv_p1, c_inv_p2, z_limit of header line 2\n"
    "                         (default -0.15,0.3,0.3,-0.15,1)\n"
    "  --header-conflict N    file N (from 1) carries another header line 2\n"
    "  --lower-case           names begin with _kva instead of _KVA\n"
    "  --lf                   LF line ends instead of CR LF\n"
    "  --trailing-blank-lines N  empty lines after the last record of each file\n"
    "  --ini KEY=V,KEY=V      also write KEVORCV.INI with these settings, dated today\n"
    "  --quiet                no summary line\n";

[[noreturn]] void usageError(const std::string& message) {
    std::fprintf(stderr, "kevor-gen: %s\n%s", message.c_str(), kUsage);
    std::exit(2);
}

template <class T>
T number(std::string_view text, const char* option) {
    T value{};
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        usageError(std::string("bad number for ") + option + ": " + std::string(text));
    return value;
}

double realNumber(std::string_view text, const char* option) {
    std::string copy(text);
    char* end = nullptr;
    double value = std::strtod(copy.c_str(), &end);
    if (copy.empty() || *end != '\0') usageError(std::string("bad number for ") + option + ": " + copy);
    return value;
}

// "HH:MM:SS" or "HH:MM" as seconds of the day.
int timeOfDay(std::string_view text, const char* option) {
    int parts[3] = {0, 0, 0};
    int count = 0;
    size_t start = 0;
    while (start <= text.size() && count < 3) {
        size_t colon = text.find(':', start);
        if (colon == std::string_view::npos) colon = text.size();
        parts[count++] = number<int>(text.substr(start, colon - start), option);
        start = colon + 1;
    }
    if (count < 2 || start <= text.size() || parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
        usageError(std::string("bad time for ") + option + ": " + std::string(text));
    return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

}  // namespace

int main(int argc, char** argv) {
    kevorgen::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (option == "--lower-case") { options.lowerCase = true; continue; }
        if (option == "--lf") { options.lfOnly = true; continue; }
        if (option == "--quiet") { options.quiet = true; continue; }
        if (i + 1 >= argc) usageError("missing value after " + std::string(option));
        const std::string_view value = argv[++i];
        const char* name = argv[i - 1];
        if (option == "--out") {
            options.outFolder = std::string(value);
        } else if (option == "--start") {
            if (value.size() != 10 || value[4] != '-' || value[7] != '-') usageError("bad date: " + std::string(value));
            options.year = number<int>(value.substr(0, 4), name);
            options.month = number<int>(value.substr(5, 2), name);
            options.day = number<int>(value.substr(8, 2), name);
        } else if (option == "--days") {
            options.days = number<int>(value, name);
        } else if (option == "--files-per-day") {
            options.filesPerDay = number<int>(value, name);
        } else if (option == "--interval") {
            options.intervalSeconds = number<int>(value, name);
        } else if (option == "--from") {
            options.fromSecond = timeOfDay(value, name);
        } else if (option == "--to") {
            options.toSecond = timeOfDay(value, name);
        } else if (option == "--records-per-day") {
            options.recordsPerDay = number<long long>(value, name);
        } else if (option == "--seed") {
            options.seed = number<unsigned long long>(value, name);
        } else if (option == "--zero-every") {
            options.zeroEveryMinutes = number<int>(value, name);
        } else if (option == "--zero-count") {
            options.zeroCount = number<int>(value, name);
        } else if (option == "--gap") {
            const size_t dash = value.find('-');
            if (dash == std::string_view::npos) usageError("bad span for --gap: " + std::string(value));
            options.gapFrom = timeOfDay(value.substr(0, dash), name);
            options.gapTo = timeOfDay(value.substr(dash + 1), name);
        } else if (option == "--dust-rate") {
            options.dustRate = realNumber(value, name);
        } else if (option == "--broken-record") {
            options.brokenRecord = number<long long>(value, name);
        } else if (option == "--broken-field") {
            options.brokenField = number<int>(value, name);
        } else if (option == "--broken-token") {
            options.brokenToken = std::string(value);
        } else if (option == "--split-record") {
            options.splitRecord = number<long long>(value, name);
        } else if (option == "--header-fields") {
            options.headerFields = number<int>(value, name);
        } else if (option == "--coefficients") {
            size_t start = 0;
            for (int k = 0; k < 5; ++k) {
                size_t comma = value.find(',', start);
                if ((comma == std::string_view::npos) != (k == 4)) usageError("--coefficients needs five values");
                if (comma == std::string_view::npos) comma = value.size();
                options.coefficients[k] = realNumber(value.substr(start, comma - start), name);
                start = comma + 1;
            }
        } else if (option == "--header-conflict") {
            options.headerConflictFile = number<int>(value, name);
        } else if (option == "--trailing-blank-lines") {
            options.trailingBlankLines = number<int>(value, name);
        } else if (option == "--ini") {
            options.iniSettings = std::string(value);
        } else {
            usageError("unknown option " + std::string(option));
        }
    }
    try {
        const kevorgen::Summary summary = kevorgen::generate(options);
        if (!options.quiet)
            std::printf("kevor-gen: %d raw files, %lld records, %lld bytes in %s\n", summary.files,
                        summary.records, summary.bytes, options.outFolder.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kevor-gen: error: %s\n", e.what());
        return 1;
    }
}
