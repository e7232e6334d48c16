#include "postprocessor/input/loading.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/datetime.hpp"
#include "platform/files.hpp"
#include "platform/number_text.hpp"
#include "platform/parallel.hpp"
#include "platform/run_error.hpp"
#include "platform/text.hpp"
#include "postprocessor/input/discovery.hpp"
#include "postprocessor/input/text_scanner.hpp"
#include "postprocessor/run.hpp"

namespace postprocessor {

namespace {

constexpr double kOneMinute = 1.0 / 1440.0;

// A data line that can't be read: the number of its line within the text
// being read (1 for the text's first line) and the cause. It becomes a
// run-time error naming the file and the line where the lines are taken in
// order.
struct LineFailure {
    long long line;
    std::string cause;
};

// Day of a data line from its column 1 (yymmdd, year 2000 + yy). Lines of
// one table share their date, so the last one is kept.
class LineDays {
public:
    double dayOf(float yymmdd, long long line) {
        double rounded = platform::roundHalfEven(yymmdd);
        if (rounded == lastNumber_) return lastDay_;
        if (!(rounded > -1e9 && rounded < 1e9))
            throw LineFailure{line, "the date " + platform::formatFixed(rounded, 0) + " does not exist"};
        long long n = static_cast<long long>(rounded);
        long long yy = n / 10000;
        long long mmdd = n - 10000 * yy;
        double day = 0;
        if (!platform::tryEncodeDate(static_cast<int>(2000 + yy), static_cast<int>(mmdd / 100),
                                     static_cast<int>(mmdd % 100), day))
            throw LineFailure{line, "the date " + platform::formatInt(n) + " does not exist"};
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

[[noreturn]] void badNumber(long long line, std::string_view token) {
    throw LineFailure{line, "\"" + platform::inputExcerpt(token) + "\" is not a number of single precision"};
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

// The tables are read whole and cut at line ends into pieces of about this
// size, whose lines are read on every core and taken in table order.
constexpr size_t kPieceBytes = size_t{1} << 17;
constexpr int kPieceWindow = 8;
// Before a table is read, the texts of tables not yet taken hold no more
// than this; a larger table is taken to its end before the next is read.
constexpr size_t kReadAheadBytes = size_t{8} << 20;
// Every data line begins at a line start, so the lines that begin in a
// piece begin in its first kPieceBytes + 1 characters; each but the last
// (cut short by the end of the file) takes at least 78 numbers of one
// character with a separator between them.
constexpr int kPieceLineCapacity = static_cast<int>(kPieceBytes / (2 * kColumnCount - 1)) + 2;

// The text of one table and the last piece cut from it.
struct TableText {
    std::string text;
    long lastPiece = -1;
};

// The data lines that begin in [begin, end) of a table's text, read on their
// own as if reading had come to `begin`: the lines within the chosen days,
// and where reading stopped.
struct Piece {
    const TableText* table = nullptr;
    int tableIndex = 0;  // in the input list
    size_t begin = 0, end = 0;
    bool firstOfTable = false;
    long long firstLine = 0;  // number of the line at `begin` (first piece of a table)

    std::unique_ptr<double[]> times{new double[kPieceLineCapacity]};
    std::unique_ptr<float[]> values{new float[static_cast<size_t>(kPieceLineCapacity) * kColumnCount]};
    int lineCount = 0;
    size_t stop = 0;           // end of the last data line read
    long long lineEnds = 0;    // line ends passed from the start of reading to `stop`
    std::optional<LineFailure> failure;
};

// The data lines that begin in the next `length` characters the scanner has
// (a line may run on beyond them, to the end of the table). Each line's 78
// numbers are parsed straight into the piece's line after the last kept
// one; the line is kept by counting it.
void loadDataLines(TextScanner& scan, size_t length, Piece& piece, LineDays& days, double firstTime,
                   double endTime) {
    while (!scan.atEnd() && scan.consumed() < length) {
        if (piece.lineCount == kPieceLineCapacity) platform::fail("a piece of a daily table has too many lines");
        float* values = &piece.values[static_cast<size_t>(piece.lineCount) * kColumnCount];
        const long long line = scan.lineNumber();
        for (int c = 0; c < kColumnCount; ++c) {
            // At the end of the file a number reads as 0.
            std::string_view token;
            if (scan.nextFloat(values[c], token) == TextScanner::Number::bad) badNumber(scan.lineNumber(), token);
        }
        scan.skipRestOfLine();

        const double t = lineTime(days.dayOf(values[0], line), values[2]);
        if (t >= firstTime && t < endTime) {
            piece.times[piece.lineCount] = t;
            ++piece.lineCount;
        }
    }
}

void readPiece(Piece& piece, size_t from, const RunParameters& params) {
    TextScanner scan(std::string_view(piece.table->text).substr(from));
    LineDays days;
    piece.lineCount = 0;
    piece.failure.reset();
    try {
        loadDataLines(scan, piece.end - from, piece, days, params.firstDay, params.lastDay + 1);
    } catch (LineFailure& failure) {
        piece.failure = std::move(failure);
    }
    piece.stop = from + scan.consumed();
    piece.lineEnds = scan.lineNumber() - 1;
}

// Reading in table order: where it stands in the table being taken.
struct ReadingPosition {
    size_t at = 0;
    long long line = 0;
};

// Takes the next piece: its lines go to the loaded data in order, up to the
// line limit. A piece whose first line was read already with the piece
// before (a data line across its start) is read again from where that
// line ended.
void takePiece(platform::OrderedWork& work, std::vector<Piece>& pieces, ReadingPosition& position,
               PostprocessorRun& run) {
    const long i = work.take();
    Piece& piece = pieces[static_cast<size_t>(i % kPieceWindow)];
    if (piece.firstOfTable) position = {piece.begin, piece.firstLine};
    if (position.at < piece.end) {
        if (position.at != piece.begin) readPiece(piece, position.at, run.params);
        LoadedData& data = run.data;
        const int kept = std::min(piece.lineCount, data.capacity - data.lineCount);
        if (kept > 0) {
            std::memcpy(data.line(data.lineCount + 1), piece.values.get(),
                        static_cast<size_t>(kept) * kColumnCount * sizeof(float));
            std::copy(piece.times.get(), piece.times.get() + kept, &data.lineTimes[data.lineCount + 1]);
            data.lineCount += kept;
        }
        if (piece.failure)
            platform::failAt(run.input.inputFiles[static_cast<size_t>(piece.tableIndex)].real,
                             position.line + piece.failure->line - 1, piece.failure->cause);
        position = {piece.stop, position.line + piece.lineEnds};
    }
    work.release();
}

}  // namespace

// The tables are read in list order on this thread, which also takes the
// pieces' lines in order into the loaded data and says everything the
// console hears; the pieces are read on every core meanwhile. So a failure
// comes out where a reading from the first table to the last meets it: a
// table that can't be opened only after every piece before it is taken.
void loadTables(PostprocessorRun& run) {
    LoadedData& data = run.data;
    const InputSet& input = run.input;
    data.lineCount = 0;

    std::vector<std::unique_ptr<TableText>> texts;  // reused from table to table
    std::vector<Piece> pieces(kPieceWindow);
    platform::OrderedWork work(kPieceWindow, [&](long i) {
        Piece& piece = pieces[static_cast<size_t>(i % kPieceWindow)];
        readPiece(piece, piece.begin, run.params);
    });
    ReadingPosition position;
    long taken = 0;
    auto takeNext = [&] {
        takePiece(work, pieces, position, run);
        ++taken;
    };
    auto takeAll = [&] {
        while (work.pending()) takeNext();
    };
    auto busy = [&](const TableText& t) { return t.lastPiece >= taken; };
    // A text to read the next table into: the largest free one, so that a
    // large text is reused rather than a second one grown.
    auto freeText = [&]() -> TableText& {
        for (;;) {
            size_t held = 0;
            for (const auto& t : texts)
                if (busy(*t)) held += t->text.capacity();
            TableText* best = nullptr;
            for (const auto& t : texts)
                if (!busy(*t) && (!best || t->text.capacity() > best->text.capacity())) best = t.get();
            if (held <= kReadAheadBytes || !work.pending()) {
                if (best) return *best;
                if (texts.size() <= static_cast<size_t>(kPieceWindow)) return *texts.emplace_back(new TableText);
            }
            takeNext();
        }
    };

    for (int i = 0; i < input.inputFileCount; ++i) {
        const PathName& file = input.inputFiles[static_cast<size_t>(i)];
        TableText& table = freeText();
        bool readable;
        try {
            readable = platform::readWholeFile(file.real, table.text);
        } catch (...) {
            takeAll();  // what comes before this table first
            throw;
        }
        if (!readable) {
            takeAll();
            stopAsInaccessible(run.console, file.display);
        }
        TextScanner scan(table.text);
        scan.readLine();
        scan.readLine();
        std::string_view header = scan.readLine();
        if (i == 0) {
            data.referenceHeader = std::string(header);
            setColumnNames(run.variables, header, input.twoFileRegime);
        } else if (header != data.referenceHeader) {
            continue;  // a table of another kind: skipped without notice
        }

        const size_t size = table.text.size();
        const size_t dataBegin = scan.consumed();
        for (size_t begin = dataBegin; begin < size;) {
            size_t end = size;
            if (size - begin > kPieceBytes) {
                const void* lf = std::memchr(table.text.data() + begin + kPieceBytes, '\n', size - begin - kPieceBytes);
                if (lf) end = static_cast<size_t>(static_cast<const char*>(lf) - table.text.data()) + 1;
            }
            while (work.full()) takeNext();
            Piece& piece = pieces[static_cast<size_t>(work.added() % kPieceWindow)];
            piece.table = &table;
            piece.tableIndex = i;
            piece.begin = begin;
            piece.end = end;
            piece.firstOfTable = begin == dataBegin;
            piece.firstLine = scan.lineNumber();
            table.lastPiece = work.added();
            work.add();
            begin = end;
        }
    }
    takeAll();

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

    // Tables read in time order need no exchange at all (a pass of every
    // gap would find nothing to swap): only repeated times are removed, the
    // first of equal times staying, by moving the lines up in place.
    bool ascending = true;
    for (int i = 2; i <= n && ascending; ++i) ascending = !(data.lineTimes[i - 1] > data.lineTimes[i]);
    if (ascending) {
        int kept = 1;
        for (int i = 2; i <= n; ++i) {
            if (data.lineTimes[i] != data.lineTimes[kept]) {
                ++kept;
                if (kept != i) {
                    data.lineTimes[kept] = data.lineTimes[i];
                    std::memcpy(data.line(kept), data.line(i), kColumnCount * sizeof(float));
                }
            }
        }
        data.lineCount = kept;
        return;
    }

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
