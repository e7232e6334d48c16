// Times buildCycles and the writing of every line of a daily table for a
// million synthetic records: 250 days of 4000 records 21 s apart, every
// fifth a zero record, with slowly drifting air state. The processor time
// counts every thread: with more than one core it exceeds the wall time.
//
//   bench-converter-tables [folder [case [zerominutes]]]   (the table is
//   written there and removed; case 1..5 runs only that one of the cases
//   below, with another zerominutes if given)
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "converter/run.hpp"
#include "converter/tables/daily_table.hpp"
#include "platform/datetime.hpp"
#include "platform/files.hpp"

using namespace converter;

namespace {

struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<uint32_t>(state >> 11);
    }
    int in(int low, int high) { return low + static_cast<int>(next() % static_cast<uint32_t>(high - low + 1)); }
};

void fillStore(RawStore& store) {
    store.allocate();
    store.record(0)[field::kind] = store.record(-1)[field::kind] = -1;
    store.headerParam4 = 0.8;
    store.headerParam5 = 0.9;
    store.headerParam6 = 0.12;
    store.headerParam7 = 0.05;
    Random random;
    int temperature = 1500, pressure = 10130;
    const double firstDay = platform::encodeDate(2011, 1, 1);
    for (int day = 0; day < 250; ++day)
        for (int i = 0; i < 4000; ++i) {
            const int r = ++store.recordCount;
            const int seconds = i * 21;
            int32_t* f = store.record(r);
            store.recordTime[r] = firstDay + day + platform::encodeTime(seconds / 3600, seconds / 60 % 60, seconds % 60, 0);
            const bool zero = r % 5 == 0;
            if (random.next() % 8 == 0) temperature += random.in(-1, 1);
            if (random.next() % 32 == 0) pressure += random.in(-1, 1);
            f[0] = seconds / 3600 * 10000 + seconds / 60 % 60 * 100 + seconds % 60;
            f[1] = zero ? 0 : 1;
            f[2] = temperature;
            f[3] = random.in(400, 600);
            f[4] = pressure;
            for (int k = 5; k < 75; ++k) f[k] = zero ? random.in(50, 150) : random.in(100, 3000);
            f[75] = random.in(230, 240);
            for (int k = 76; k <= 84; ++k) f[k] = random.in(0, 200);
            f[78] = random.in(95, 105);
            f[79] = random.in(95, 105);
            f[85] = random.in(0, 1);
            f[86] = 1234567;
        }
}

void setUp(ConverterRun& run, int outputstyle, int cycleminutes, int zerominutes, int extracorrect) {
    auto& s = run.settings;
    s.outputstyle = outputstyle;
    s.cycleminutes = cycleminutes;
    s.zerominutes = zerominutes;
    s.extracorrect = extracorrect;
    s.c_inv_n2 = -0.05;
    s.c_inv_n1 = -0.2;
    s.c_inv_p1 = -0.1;
    s.c_inv_p2 = -0.02;
    s.z_limit = 1;
    run.cycleDays = cycleminutes / 1440.0;
    run.fractionsPerDecade = outputstyle == 0 ? 8 : 16;
    run.mobilityBase = outputstyle == 0 ? 0.0316227766016838 : 0.421696503428582;
    converter::fillFieldDivisorAndColumnDecimals(run);
    run.work = LineWork();
}

// Processor time of this process: the machine may be shared.
double cpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    std::istringstream in;
    std::ostringstream out;
    platform::Console console(in, out);
    ConverterRun run(console);
    auto start = std::chrono::steady_clock::now();
    fillStore(run.store);
    std::printf("%d synthetic records filled in %.2f s\n", run.store.recordCount, secondsSince(start));
    run.cycles.allocate();

    struct Case {
        int outputstyle, cycleminutes, zerominutes, extracorrect;
    };
    const Case cases[] = {{0, 0, 10, 3}, {0, 5, 10, 3}, {1, 0, 10, 3}, {2, 5, 10, 3}, {0, 1, 10, 3}};
    const int only = argc > 2 ? std::atoi(argv[2]) : 0;
    for (int number = 1; number <= 5; ++number) {
        if (only != 0 && number != only) continue;
        Case c = cases[number - 1];
        if (argc > 3) c.zerominutes = std::atoi(argv[3]);
        setUp(run, c.outputstyle, c.cycleminutes, c.zerominutes, c.extracorrect);
        double cpu = cpuSeconds();
        start = std::chrono::steady_clock::now();
        buildCycles(run.store, run.settings, run.cycles);
        const double cycleTime = secondsSince(start), cycleCpu = cpuSeconds() - cpu;
        buildFractionTables(run.mobilityBase, run.fractionsPerDecade, run.fractions);
        if (!buildResolutionMatrix(run.settings, run.fractions)) return 1;
        cpu = cpuSeconds();
        start = std::chrono::steady_clock::now();
        const std::string name = platform::joinPath(folder, "KVA110000.bench");
        run.outputName = name;
        writeDailyTable(run);  // the lines on every usable core, as the run makes them
        const int leftOut = run.cyclesLeftOut;
        const double writeTime = secondsSince(start), writeCpu = cpuSeconds() - cpu;
        const auto size = std::filesystem::file_size(name);
        std::filesystem::remove(name);
        std::printf("outputstyle %d, cycleminutes %d, zerominutes %d, extracorrect %d: %d cycles (%d left out), "
                    "buildCycles %.3f s (processor %.3f s), lines %.3f s (processor %.3f s), %.1f MB\n",
                    c.outputstyle, c.cycleminutes, c.zerominutes, c.extracorrect, run.cycles.cycleCount, leftOut,
                    cycleTime, cycleCpu, writeTime, writeCpu, static_cast<double>(size) / 1e6);
    }
    // Peak memory, where the system tells it.
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char text[256];
        while (std::fgets(text, sizeof text, status))
            if (std::string(text).rfind("VmHWM:", 0) == 0) std::printf("peak memory %s", text + 6);
        std::fclose(status);
    }
    return 0;
}
