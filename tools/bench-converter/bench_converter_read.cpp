// Generates raw files in a temporary folder and times reading them into the
// RawStore: first one day of 3,000 records, then 250 files holding
// 1,000,000 records. Reports wall time and peak resident memory.
//
//   bench-converter-read [folder]   (default: a new folder below the system's
//                                    temporary folder, removed afterwards)
//   bench-converter-read --read FOLDER   (times reading the raw files found
//                                    there instead, three times over)
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "converter/input/raw_files.hpp"
#include "converter/input/raw_store.hpp"
#include "platform/console.hpp"
#include "platform/files.hpp"
#include "platform/number_text.hpp"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace fs = std::filesystem;
using converter::RawFiles;
using converter::RawStore;

namespace {

// Peak resident memory of the process in MB (0 where unknown).
double peakMegabytes() {
#ifndef _WIN32
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
#else
    return 0;
#endif
}

// Processor time of the process so far in seconds (user + system), to tell
// the work of the read from waiting for a shared processor.
double processorSeconds() {
#ifndef _WIN32
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#else
    return 0;
#endif
}

struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
    int range(int low, int high) {
        return low + static_cast<int>(next() % static_cast<uint32_t>(high - low + 1));
    }
};

// One raw file of `records` records spread over a day, in the instrument's
// layout: header lines, then one line of 87 tab-separated integers each.
void writeRawFile(const std::string& path, int records, Random& random) {
    std::string text = "KEVOR air-ion spectrometer raw data\r\n";
    for (int f = 1; f <= 25; ++f) text += (f > 1 ? "\t" : "") + std::string(f >= 21 ? "0.1" : "1.5");
    text += "\r\ntime\tkind";
    for (int f = 2; f < 85; ++f) text += "\tf" + std::to_string(f);
    text += "\tover\tstatus\r\n";
    for (int r = 0; r < records; ++r) {
        int seconds = static_cast<int>(static_cast<long long>(r) * 86399 / records);
        int hhmmss = seconds / 3600 * 10000 + seconds / 60 % 60 * 100 + seconds % 60;
        int fields[87];
        fields[0] = hhmmss;
        fields[1] = r % 10 < 8 ? 1 : 0;
        fields[2] = random.range(-500, 3000);   // 1/100 degC
        fields[3] = random.range(200, 999);     // 1/10 %
        fields[4] = random.range(9700, 10400);  // 1/10 mb
        for (int f = 5; f < 75; ++f) fields[f] = random.range(-200, fields[1] ? 30000 : 400);
        fields[75] = random.range(110, 140);
        for (int f = 76; f < 85; ++f) fields[f] = random.range(0, 5000);
        fields[85] = random.range(0, 3);
        fields[86] = random.range(0, 99999);
        for (int f = 0; f < 87; ++f) {
            if (f) text += '\t';
            platform::appendInt(text, fields[f]);
        }
        text += "\r\n";
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size()) {
        std::fprintf(stderr, "bench-converter-read: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    std::fclose(out);
}

struct Timing {
    double wall = 0, processor = 0;
};

Timing readAll(const RawFiles& files, RawStore& store, uintmax_t& bytes) {
    bytes = 0;
    for (const std::string& f : files.rawFiles) bytes += fs::file_size(f);
    std::istringstream in;
    std::ostringstream progress;
    platform::Console console(in, progress);
    double processorStart = processorSeconds();
    auto start = std::chrono::steady_clock::now();
    converter::readAllRawFiles(console, files, store);
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            processorSeconds() - processorStart};
}

}  // namespace

// Reads the raw files of a folder as the run finds and orders them.
int readFolder(const std::string& folder) {
    std::istringstream in;
    std::ostringstream progress;
    platform::Console console(in, progress);
    RawFiles files;
    converter::scanRawFolder(console, folder, files);
    converter::sortRawFiles(files);
    RawStore store;
    store.allocate();
    uintmax_t bytes = 0;
    for (int pass = 1; pass <= 3; ++pass) {
        Timing t = readAll(files, store, bytes);
        std::printf("%d files, pass %d: %7d records, %6.1f MB of text, %.3f s (processor %.3f s), peak memory %.0f MB\n",
                    files.rawFileCount, pass, store.recordCount, bytes / 1e6, t.wall, t.processor, peakMegabytes());
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--read") return readFolder(argv[2]);
    fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "kevorcv-bench-read";
    bool removeAfter = argc <= 1;
    fs::remove_all(folder / "day");
    fs::remove_all(folder / "year");
    fs::create_directories(folder / "day");
    fs::create_directories(folder / "year");
    Random random;

    RawFiles day;
    day.rawFiles.push_back((folder / "day" / "_KVA110211.001").string());
    day.rawFileCount = 1;
    writeRawFile(day.rawFiles[0], 3000, random);

    RawFiles year;
    const int fileCount = 250, total = 1'000'000;
    for (int i = 0; i < fileCount; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "_KVA11%02d%02d.001", 1 + i / 28, 1 + i % 28);
        year.rawFiles.push_back((folder / "year" / name).string());
        writeRawFile(year.rawFiles.back(), total / fileCount, random);
    }
    year.rawFileCount = fileCount;
    std::printf("generated 1 + %d raw files in %s\n", fileCount, folder.string().c_str());

    double before = peakMegabytes();
    RawStore store;
    store.allocate();
    uintmax_t bytes = 0;
    Timing t = readAll(day, store, bytes);
    std::printf(
        "one day:   %7d records, %6.1f MB of text, %.3f s (processor %.3f s), peak memory %.0f MB"
        " (%.0f MB before)\n",
        store.recordCount, bytes / 1e6, t.wall, t.processor, peakMegabytes(), before);

    t = readAll(year, store, bytes);
    std::printf(
        "250 files: %7d records, %6.1f MB of text, %.3f s (processor %.3f s, %.0f MB/s),"
        " peak memory %.0f MB\n",
        store.recordCount, bytes / 1e6, t.wall, t.processor, bytes / 1e6 / t.wall, peakMegabytes());

    if (removeAfter) fs::remove_all(folder);
    return 0;
}
