#include "postprocessor/input/loading.hpp"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/datetime.hpp"
#include "platform/files.hpp"
#include "platform/number_text.hpp"
#include "platform/run_error.hpp"
#include "platform/text.hpp"
#include "postprocessor/input/discovery.hpp"
#include "postprocessor/input/text_scanner.hpp"
#include "postprocessor/run.hpp"

namespace postprocessor {

namespace {

constexpr double kOneMinute = 1.0 / 1440.0;

// Day of a data line from its column 1 (yymmdd, year 2000 + yy). Lines of
// one table share their date, so the last one is kept.
class LineDays {
public:
    double dayOf(float yymmdd, const std::string& file, long long line) {
        double rounded = platform::roundHalfEven(yymmdd);
        if (rounded == lastNumber_) return lastDay_;
        if (!(rounded > -1e9 && rounded < 1e9))
            platform::failAt(file, line, "the date " + platform::formatFixed(rounded, 0) + " does not exist");
        long long n = static_cast<long long>(rounded);
        long long yy = n / 10000;
        long long mmdd = n - 10000 * yy;
        double day = 0;
        if (!platform::tryEncodeDate(static_cast<int>(2000 + yy), static_cast<int>(mmdd / 100),
                                     static_cast<int>(mmdd % 100), day))
            platform::failAt(file, line, "the date " + platform::formatInt(n) + " does not exist");
        lastNumber_ = rounded;
        lastDay_ = day;
        return day;
    }

private:
    double lastNumber_ = std::numeric_limits<double>::quiet_NaN();
    double lastDay_ = 0;
};

// The time of a data line: the date of its column 1 + the fraction of its
// DAY (column 3, as read, a single float). With cycleminutes above 0,
// KEVORCV gives a cycle in the last 15 seconds of a day the next
// day's date (from its time + 15 s) but its own DAY. A line whose DAY is the
// day of the year of the day before its date, with a fraction of at least
// 0.999, is therefore taken at that day before (also across the year's end:
// 1 January with DAY 365 or 366); any other disagreement keeps the date.
double lineTime(double day, float dayNumber) {
    const float wholeDays = std::trunc(dayNumber);
    const float timeOfDay = dayNumber - wholeDays;
    if (static_cast<double>(timeOfDay) >= 0.999 && wholeDays == static_cast<float>(platform::dayOfYear(day - 1)))
        return day - 1 + static_cast<double>(timeOfDay);
    return day + static_cast<double>(timeOfDay);
}

[[noreturn]] void badNumber(const std::string& file, long long line, std::string_view token) {
    platform::failAt(file, line, "\"" + platform::inputExcerpt(token) + "\" is not a number of single precision");
}

// Names 1..78 from the title line of the first table.
void setColumnNames(VariableTables& variables, std::string_view header, bool twoFileRegime) {
    for (std::string& name : variables.variableNames) name.clear();
    size_t start = 0;
    for (int v = 1; v <= kColumnCount; ++v) {
        size_t tab = header.find('\t', start);
        if (tab == std::string_view::npos) {
            variables.variableNames[v] = std::string(header.substr(start));
            break;
        }
        variables.variableNames[v] = std::string(header.substr(start, tab - start));
        start = tab + 1;
    }
    if (twoFileRegime) variables.variableNames[61] = "n";
}

// The data lines of one table after its header. Each line's 78 numbers are
// parsed straight into the line after the last kept one; the line is kept
// by counting it.
void loadDataLines(TextScanner& scan, LoadedData& data, LineDays& days, const RunParameters& params,
                   const std::string& file) {
    const double firstTime = params.firstDay;
    const double endTime = params.lastDay + 1;
    while (!scan.atEnd()) {
        float* values = data.line(data.lineCount + 1);
        const long long line = scan.lineNumber();
        for (int c = 0; c < kColumnCount; ++c) {
            // At the end of the file a number reads as 0.
            std::string_view token;
            if (scan.nextFloat(values[c], token) == TextScanner::Number::bad)
                badNumber(file, scan.lineNumber(), token);
        }
        scan.skipRestOfLine();

        const double t = lineTime(days.dayOf(values[0], file, line), values[2]);
        if (t >= firstTime && t < endTime && data.lineCount < data.capacity) {
            ++data.lineCount;
            data.lineTimes[data.lineCount] = t;
        }
    }
}

}  // namespace

void loadTables(PostprocessorRun& run) {
    LoadedData& data = run.data;
    const InputSet& input = run.input;
    data.lineCount = 0;
    LineDays days;
    std::string text;  // one buffer for every table
    for (int i = 0; i < input.inputFileCount; ++i) {
        const PathName& file = input.inputFiles[static_cast<size_t>(i)];
        if (!platform::readWholeFile(file.real, text)) stopAsInaccessible(run.console, file.display);
        TextScanner scan(text);
        scan.readLine();
        scan.readLine();
        std::string_view header = scan.readLine();
        if (i == 0) {
            data.referenceHeader = std::string(header);
            setColumnNames(run.variables, header, input.twoFileRegime);
        } else if (header != data.referenceHeader) {
            continue;  // a table of another kind: skipped without notice
        }
        loadDataLines(scan, data, days, run.params, file.real);
    }

    if (data.lineCount == 0) finishRun(run.console, "No data in asked date interval");
    for (int i = 1; i <= input.extraDiameterCount; ++i) {
        std::string diameter = platform::formatFixed(input.extraDiameters[i], 3);
        run.variables.variableNames[80 + i] = "ED+" + diameter;
        run.variables.variableNames[100 + i] = "ED-" + diameter;
    }
    if (data.lineCount == data.capacity) {
        run.console.writeLine("");
        run.console.writeLine("NB: the limit of data lines " + std::to_string(data.capacity) +
                              " is reached, remaining data are ignored!");
        run.console.writeLine("");
    }
}

void orderByTime(LoadedData& data) {
    const int n = data.lineCount;
    if (n < 2) return;

    // The exchange sort runs on (time, line) pairs; every swap depends on the
    // times alone, so the order is that of sorting the lines themselves.
    struct Entry {
        double time;
        int32_t line;
    };
    std::vector<Entry> order(static_cast<size_t>(n) + 1);
    for (int i = 1; i <= n; ++i) order[static_cast<size_t>(i)] = {data.lineTimes[i], i};

    int gap = n - 1;
    do {
        gap = gap / 3 + 1;
        bool swapped;
        do {
            swapped = false;
            for (int i = gap + 1; i <= n; ++i) {
                Entry& later = order[static_cast<size_t>(i)];
                Entry& earlier = order[static_cast<size_t>(i - gap)];
                if (earlier.time > later.time) {
                    std::swap(earlier, later);
                    swapped = true;
                }
            }
        } while (swapped);
    } while (gap > 1);

    // Removal of repeated times: the first of equal times stays.
    int kept = 1;
    for (int i = 2; i <= n; ++i) {
        if (order[static_cast<size_t>(i)].time != order[static_cast<size_t>(kept)].time) {
            ++kept;
            if (kept != i) order[static_cast<size_t>(kept)] = order[static_cast<size_t>(i)];
        }
    }

    // source[p]: the line that ends at position p. The dropped lines fill
    // the positions after the kept ones, so that source is a permutation.
    std::vector<int32_t> source(static_cast<size_t>(n) + 1);
    std::vector<uint8_t> done(static_cast<size_t>(n) + 1, 0);
    for (int p = 1; p <= kept; ++p) {
        source[static_cast<size_t>(p)] = order[static_cast<size_t>(p)].line;
        done[static_cast<size_t>(order[static_cast<size_t>(p)].line)] = 1;
        data.lineTimes[p] = order[static_cast<size_t>(p)].time;
    }
    int next = kept;
    for (int line = 1; line <= n; ++line)
        if (!done[static_cast<size_t>(line)]) source[static_cast<size_t>(++next)] = line;

    // Each line moves once, cycle by cycle, through one spare line.
    std::fill(done.begin(), done.end(), 0);
    float spare[kColumnCount];
    const size_t lineBytes = sizeof spare;
    for (int start = 1; start <= n; ++start) {
        if (done[static_cast<size_t>(start)] || source[static_cast<size_t>(start)] == start) continue;
        std::memcpy(spare, data.line(start), lineBytes);
        int p = start;
        for (;;) {
            done[static_cast<size_t>(p)] = 1;
            int from = source[static_cast<size_t>(p)];
            if (from == start) {
                std::memcpy(data.line(p), spare, lineBytes);
                break;
            }
            std::memcpy(data.line(p), data.line(from), lineBytes);
            p = from;
        }
    }
    data.lineCount = kept;
}

void markRegularSpacing(LoadedData& data) {
    const int n = data.lineCount;
    const double* t = data.lineTimes.get();
    uint8_t* regular = data.regularSpacing.get();
    for (int j = 0; j <= n + 1; ++j) regular[j] = 0;
    if (n < 2) return;  // no step to measure

    const double stepLimit = (t[n] - t[1]) / (n - 1) + kOneMinute;
    double sum = 0;
    long long count = 0;  // at least 1: the shortest step is below the mean
    for (int j = 2; j <= n; ++j) {
        double d = t[j] - t[j - 1];
        if (d < stepLimit) {
            sum += d;
            ++count;
        }
    }
    const double typicalStep = sum / static_cast<double>(count) + kOneMinute;
    for (int j = 2; j <= n - 1; ++j) {
        double d1 = t[j] - t[j - 1];
        double d2 = t[j + 1] - t[j];
        regular[j] = 1.5 * d2 > d1 && 1.5 * d1 > d2 && d1 < typicalStep && d2 < typicalStep;
    }
}

}  // namespace postprocessor
