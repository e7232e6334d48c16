// Loading benchmark: a year of standard-data daily tables at one line per
// minute (365 tables, 525,600 lines) is written to a temporary folder, then
// discovery, loading, time ordering and spacing marks are timed in-process.
//
//   bench-postprocessor-load [--reverse] [--keep DIR | --folder DIR]
//
// --reverse lists the tables newest first, so that ordering has to move
// every line. --keep DIR writes the tables into DIR and leaves them there;
// --folder DIR times tables written so before (nothing is generated).
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/console.hpp"
#include "platform/datetime.hpp"
#include "platform/run_error.hpp"
#include "postprocessor/input/discovery.hpp"
#include "postprocessor/input/loading.hpp"
#include "postprocessor/run.hpp"
#include "tests/postprocessor/input/daily_table_maker.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;  // kilobytes on Linux
}

// Processor time of the process so far (user and system), which a busy
// machine disturbs less than the wall clock.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string yymmdd(platform::DateTime day) {
    platform::DateTimeParts p = platform::decode(day);
    char text[8];
    std::snprintf(text, sizeof text, "%02d%02d%02d", p.year % 100, p.month, p.day);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    bool reverse = false, keep = false, generate = true;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--reverse") {
            reverse = true;
        } else if ((arg == "--keep" || arg == "--folder") && i + 1 < argc) {
            folder = argv[++i];
            keep = true;
            generate = arg == "--keep";
        } else {
            std::fprintf(stderr, "usage: bench-postprocessor-load [--reverse] [--keep DIR | --folder DIR]\n");
            return 2;
        }
    }
    if (folder.empty()) {
        folder = (std::filesystem::temp_directory_path() / "bench-kevorpp-XXXXXX").string();
        if (!mkdtemp(folder.data())) {
            std::perror("mkdtemp");
            return 1;
        }
    }

    const platform::DateTime firstDay = platform::encodeDate(2011, 1, 1);
    if (generate) {
        std::filesystem::create_directories(folder);
        const std::string header = kevor_test::dailyHeader(kevor_test::standardTitles());
        Clock::time_point start = Clock::now();
        long long bytes = 0;
        std::string table;
        for (int d = 0; d < 365; ++d) {
            table = header;
            for (int minute = 0; minute < 1440; ++minute)
                kevor_test::appendDailyLine(table, firstDay + d + minute / 1440.0,
                                            static_cast<uint32_t>(d * 1440 + minute));
            std::ofstream(folder + "/KVA" + yymmdd(firstDay + d) + ".TXT", std::ios::binary) << table;
            bytes += static_cast<long long>(table.size());
        }
        std::printf("generated 365 tables, %.1f MB, in %.2f s\n", bytes / 1e6, secondsSince(start));
    }

    std::istringstream in;
    std::ostringstream out;
    platform::Console console(in, out);
    postprocessor::PostprocessorRun run(console, {folder});
    int status = 0;
    try {
        Clock::time_point total = Clock::now();
        double cpuAtStart = cpuSeconds();
        Clock::time_point t = Clock::now();
        postprocessor::readCommandLine(run);
        postprocessor::discoverInput(run);
        double discovery = secondsSince(t);
        if (reverse) std::reverse(run.input.inputFiles.begin(), run.input.inputFiles.end());

        run.params.firstDay = firstDay;
        run.params.lastDay = firstDay + 364;
        run.data.allocate();
        run.grid.allocate();
        t = Clock::now();
        postprocessor::loadTables(run);
        double loading = secondsSince(t);
        t = Clock::now();
        postprocessor::orderByTime(run.data);
        double ordering = secondsSince(t);
        t = Clock::now();
        postprocessor::markRegularSpacing(run.data);
        double marking = secondsSince(t);
        double all = secondsSince(total);
        double cpu = cpuSeconds() - cpuAtStart;

        int marked = 0;
        for (int r = 1; r <= run.data.lineCount; ++r) marked += run.data.regularSpacing[r];
        std::printf("tables %d, lines %d, regular %d%s\n", run.input.inputFileCount, run.data.lineCount, marked,
                    reverse ? " (tables listed newest first)" : "");
        std::printf("discovery %.3f s, loading %.3f s, ordering %.3f s, marking %.3f s, total %.3f s (cpu %.3f s)\n",
                    discovery, loading, ordering, marking, all, cpu);
        std::printf("peak memory %ld MB\n", peakMegabytes());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench-postprocessor-load: %s\n", e.what());
        status = 1;
    } catch (const platform::RunEnded&) {
        std::fprintf(stderr, "bench-postprocessor-load: the run ended early:\n%s", out.str().c_str());
        status = 1;
    }
    std::error_code ignored;
    if (!keep) std::filesystem::remove_all(folder, ignored);
    return status;
}
