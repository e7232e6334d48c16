#include "generator.hpp"

#include <sys/stat.h>
#include <utime.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace kevorgen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kChannels = 35;
constexpr int kFields = 87;

// splitmix64: small, fast and the same on every platform (the standard
// library's distributions are not), so a seed gives the same files anywhere.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    // Standard normal by Box-Muller (one value per call, the second dropped
    // so that the sequence does not depend on call pairing).
    double normal() {
        double u1 = uniform();
        double u2 = uniform();
        if (u1 < 1e-300) u1 = 1e-300;
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * kPi * u2);
    }

private:
    uint64_t state_;
};

// Days since 1970-01-01 of a civil date, and back.
long long daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * unsigned(m + (m > 2 ? -3 : 9)) + 2) / 5 + unsigned(d) - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + (long long)doe - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(yoe) + int(era * 400) + (m <= 2);
}

void appendTwoDigits(std::string& out, int value) {
    out += char('0' + value / 10 % 10);
    out += char('0' + value % 10);
}

void appendNumber(std::string& out, long long value) {
    char text[24];
    auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

void appendFixed3(std::string& out, double value) {
    char text[48];
    std::snprintf(text, sizeof text, "%.3f", value);
    out += text;
}

// The slowly varying state of the air and the instrument: smooth daily
// cycles plus a random walk that drifts back to 1, so neighbouring records
// look alike and days differ.
struct Weather {
    double clusterLevel = 1.0;   // factor on the cluster-ion peak
    double largeLevel = 1.0;     // factor on the large-ion hump
    double pressureDrift = 0.0;  // tenths of mb
};

struct Instrument {
    double offsetPositive[kChannels];
    double offsetNegative[kChannels];
    double noiseSlope = 0.03;  // noise grows with the signal
    double noiseFloor = 2.0;   // tenths
};

Instrument makeInstrument(Random& random) {
    Instrument instrument;
    for (int i = 0; i < kChannels; ++i) {
        instrument.offsetPositive[i] = 14.0 + 4.0 * std::sin(0.7 * i) + random.uniform() * 3.0;
        instrument.offsetNegative[i] = 16.0 + 4.0 * std::cos(0.5 * i) + random.uniform() * 3.0;
    }
    return instrument;
}

// The signal of channel i in tenths, above the offset: a cluster-ion peak in
// the high-mobility channels and a broad hump of large ions at low mobility.
double spectrum(int channel, bool negative, double hourOfDay, const Weather& weather) {
    const double day = 2.0 * kPi / 24.0;
    // Cluster ions are most numerous in the early morning, large ions (aerosol
    // charged by them) in the evening.
    const double cluster = 240.0 * (1.0 + 0.3 * std::sin(day * (hourOfDay - 0.0))) * weather.clusterLevel;
    const double large = 55.0 * (1.0 + 0.5 * std::sin(day * (hourOfDay - 12.0))) * weather.largeLevel;
    // Negative cluster ions are somewhat more mobile and a little rarer.
    const double peak = negative ? 27.2 : 26.3;
    const double scale = negative ? 0.85 : 1.0;
    const double x = (channel - peak) / 2.4;
    const double y = (channel - 8.0) / 5.5;
    return scale * cluster * std::exp(-0.5 * x * x) + (negative ? 0.95 : 1.0) * large * std::exp(-0.5 * y * y) + 3.0;
}

struct FileSpec {
    std::string name;
    long long dayNumber;  // days since 1970-01-01
    int firstSecond;      // time of day of the first record slot
    int lastSecond;       // no record after this
    int index;            // file number from 1
};

class Writer {
public:
    Writer(const Options& options) : options_(options), random_(options.seed) {
        instrument_ = makeInstrument(random_);
        lineEnd_ = options.lfOnly ? "\n" : "\r\n";
    }

    std::string headerLine1() const {
        return "KEVOR air ion spectrometer, raw records, serial 0417";
    }

    std::string headerLine2(int fileIndex) const {
        std::string line;
        const int fields = options_.headerFields;
        for (int f = 1; f <= fields; ++f) {
            if (f > 1) line += '\t';
            switch (f) {
            case 1: line += "KEVOR"; break;
            case 2: line += fileIndex == options_.headerConflictFile ? "SN0418" : "SN0417"; break;
            case 3: line += "rev2011"; break;
            case 4: line += "38.20"; break;  // concentration coefficient, positive signals
            case 5: line += "41.70"; break;  // the same, negative signals
            case 6: line += "0.065"; break;  // loss-factor coefficient
            case 7: line += "0.120"; break;  // low-mobility coefficient
            default:
                if (f >= 21 && f <= 25) {
                    appendFixed3(line, options_.coefficients[f - 21]);
                } else {
                    appendNumber(line, f * 10 + 3);
                }
            }
        }
        return line;
    }

    static std::string headerLine3() {
        // The titles of fields 0 and 1 with the TAB between them fill the
        // first 10 characters; field 85's title begins with "over".
        std::string line = "clock\tkind\ttemp\thumid\tpress";
        for (int i = 0; i < kChannels; ++i) {
            line += "\tpos";
            appendTwoDigits(line, i);
        }
        for (int i = 0; i < kChannels; ++i) {
            line += "\tneg";
            appendTwoDigits(line, i);
        }
        line += "\tsupply\tfilt+\tfilt-\tbatt+\tbatt-\tbias+\tbias-\tpre%\ttau\tasym\toverload\tstatus";
        return line;
    }

    // Appends the records of one file to `out`; returns their number.
    long long writeRecords(const FileSpec& file, std::string& out, long long& recordNumber,
                           long long& dayRecords) {
        long long written = 0;
        const int interval = options_.intervalSeconds;
        for (int second = file.firstSecond; second <= file.lastSecond; second += interval) {
            if (options_.recordsPerDay >= 0 && dayRecords >= options_.recordsPerDay) break;
            if (options_.gapFrom >= 0 && second >= options_.gapFrom && second <= options_.gapTo) continue;
            ++recordNumber;
            ++dayRecords;
            ++written;
            writeRecord(file, second, recordNumber, out);
        }
        return written;
    }

private:
    bool isZeroRecord(int second) const {
        if (options_.zeroEveryMinutes <= 0) return false;
        const int period = options_.zeroEveryMinutes * 60;
        return second % period < options_.zeroCount * options_.intervalSeconds;
    }

    void stepWeather() {
        weather_.clusterLevel += 0.02 * (1.0 - weather_.clusterLevel) + 0.01 * random_.normal();
        weather_.largeLevel += 0.01 * (1.0 - weather_.largeLevel) + 0.015 * random_.normal();
        weather_.pressureDrift += -0.002 * weather_.pressureDrift + 0.4 * random_.normal();
    }

    int noisy(double value, double sd) { return int(std::lround(value + sd * random_.normal())); }

    void writeRecord(const FileSpec& file, int second, long long recordNumber, std::string& out) {
        stepWeather();
        int fields[kFields];
        const double hour = second / 3600.0;
        const double day = 2.0 * kPi / 24.0;
        const bool zero = isZeroRecord(second);
        fields[0] = (second / 3600) * 10000 + (second / 60 % 60) * 100 + second % 60;
        fields[1] = zero ? 0 : 1;
        fields[2] = noisy(2150.0 + 150.0 * std::sin(day * (hour - 9.0)), 4.0);         // 1/100 degC
        fields[3] = noisy(450.0 - 80.0 * std::sin(day * (hour - 9.0)), 3.0);           // 1/10 %
        fields[4] = noisy(10130.0 + 25.0 * std::sin(2.0 * kPi * file.dayNumber / 5.0)  // 1/10 mb
                              + weather_.pressureDrift,
                          1.0);
        // A dust particle hitting the collector gives a pulse in one channel
        // of one polarity.
        int dustChannel = -1;
        if (!zero && random_.uniform() < options_.dustRate) dustChannel = int(random_.next() % kChannels);
        for (int polarity = 0; polarity < 2; ++polarity) {
            const bool negative = polarity == 1;
            const double* offset = negative ? instrument_.offsetNegative : instrument_.offsetPositive;
            for (int i = 0; i < kChannels; ++i) {
                double value = offset[i];
                double signal = 0.0;
                if (!zero) signal = spectrum(i, negative, hour, weather_);
                if (i == dustChannel && negative) signal += 900.0;
                value += signal;
                const double sd = instrument_.noiseFloor + instrument_.noiseSlope * signal;
                fields[(negative ? 40 : 5) + i] = noisy(value, sd);
            }
        }
        fields[75] = noisy(235.0, 0.6);   // supply, tenths
        fields[76] = noisy(250.0, 2.0);   // filt+
        fields[77] = noisy(247.0, 2.0);   // filt-
        fields[78] = noisy(241.0, 0.7);   // batt+
        fields[79] = noisy(239.0, 0.7);   // batt-
        fields[80] = noisy(120.0, 1.5);   // bias+, hundredths
        fields[81] = noisy(-118.0, 1.5);  // bias-, hundredths
        fields[82] = noisy(97.0, 0.6);    // pre%
        fields[83] = noisy(28.0, 0.6);    // tau
        fields[84] = noisy(2.0, 0.7);     // asym
        fields[85] = random_.uniform() < 0.01 ? 1 : 0;  // overloads
        fields[86] = 12005;                              // status word

        for (int f = 0; f < kFields; ++f) {
            if (f > 0) out += (recordNumber == options_.splitRecord && f == 40) ? lineEnd_ : "\t";
            if (recordNumber == options_.brokenRecord && f == options_.brokenField) {
                out += options_.brokenToken;
            } else {
                appendNumber(out, fields[f]);
            }
        }
        out += lineEnd_;
    }

    const Options& options_;
    Random random_;
    Instrument instrument_;
    Weather weather_;
    const char* lineEnd_;
};

void writeFile(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot create " + path);
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !ok) throw std::runtime_error("cannot write " + path);
}

std::string todayText(std::tm& local) {
    std::time_t now = std::time(nullptr);
    localtime_r(&now, &local);
    char text[40];
    std::snprintf(text, sizeof text, "%04d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return text;
}

}  // namespace

void writeSettingsFile(const std::string& folder, const std::string& settings) {
    std::tm local{};
    const std::string today = todayText(local);
    std::string text = "KEVORCV.INI revision " + today + "\r\n";
    size_t start = 0;
    while (start <= settings.size()) {
        size_t comma = settings.find(',', start);
        if (comma == std::string::npos) comma = settings.size();
        if (comma > start) text += settings.substr(start, comma - start) + "\r\n";
        start = comma + 1;
    }
    const std::string path = (std::filesystem::path(folder) / "KEVORCV.INI").string();
    writeFile(path, text);
    // The converter compares the revision date with the file's modification
    // date: pin that to noon of the same day, so a run just after midnight
    // still agrees.
    local.tm_hour = 12;
    local.tm_min = 0;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    utimbuf times{};
    times.actime = times.modtime = std::mktime(&local);
    if (utime(path.c_str(), &times) != 0) throw std::runtime_error("cannot set the date of " + path);
}

Summary generate(const Options& options) {
    if (options.days < 1 || options.filesPerDay < 1 || options.filesPerDay > 999)
        throw std::runtime_error("days and files per day must be at least 1 (at most 999 files a day)");
    if (options.intervalSeconds < 1) throw std::runtime_error("the record interval must be at least 1 s");
    std::filesystem::create_directories(options.outFolder);

    Writer writer(options);
    Summary summary;
    long long recordNumber = 0;
    const long long firstDay = daysFromCivil(options.year, options.month, options.day);
    const std::string head = writer.headerLine1();
    const std::string titles = Writer::headerLine3();
    const char* lineEnd = options.lfOnly ? "\n" : "\r\n";
    std::string text;
    for (int d = 0; d < options.days; ++d) {
        const long long dayNumber = firstDay + d;
        int y, m, dd;
        civilFromDays(dayNumber, y, m, dd);
        // The day's record slots split evenly over its files.
        const long long slots =
            options.toSecond < options.fromSecond
                ? 0
                : (options.toSecond - options.fromSecond) / options.intervalSeconds + 1;
        long long perFile = (slots + options.filesPerDay - 1) / options.filesPerDay;
        if (options.recordsPerDay >= 0) {
            const long long capped = std::min(slots, options.recordsPerDay);
            perFile = std::max(1LL, (capped + options.filesPerDay - 1) / options.filesPerDay);
        }
        long long dayRecords = 0;
        for (int part = 0; part < options.filesPerDay; ++part) {
            FileSpec file;
            file.index = summary.files + 1;
            file.dayNumber = dayNumber;
            file.firstSecond = int(options.fromSecond + part * perFile * options.intervalSeconds);
            file.lastSecond = int(std::min<long long>(options.toSecond,
                                                      file.firstSecond + (perFile - 1) * options.intervalSeconds));
            if (part == options.filesPerDay - 1) file.lastSecond = options.toSecond;
            file.name = options.lowerCase ? "_kva" : "_KVA";
            appendTwoDigits(file.name, y % 100);
            appendTwoDigits(file.name, m);
            appendTwoDigits(file.name, dd);
            file.name += '.';
            file.name += char('0' + (part + 1) / 100);
            appendTwoDigits(file.name, (part + 1) % 100);

            text.clear();
            text += head;
            text += lineEnd;
            text += writer.headerLine2(file.index);
            text += lineEnd;
            text += titles;
            text += lineEnd;
            summary.records += writer.writeRecords(file, text, recordNumber, dayRecords);
            for (int i = 0; i < options.trailingBlankLines; ++i) text += lineEnd;
            writeFile((std::filesystem::path(options.outFolder) / file.name).string(), text);
            summary.bytes += (long long)text.size();
            ++summary.files;
        }
    }
    if (!options.iniSettings.empty()) writeSettingsFile(options.outFolder, options.iniSettings);
    return summary;
}

}  // namespace kevorgen
