#include "converter/input/raw_files.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <utility>
#include <vector>

#include "converter/input/in_order.hpp"
#include "converter/input/run_messages.hpp"
#include "platform/datetime.hpp"
#include "platform/files.hpp"
#include "platform/number_text.hpp"
#include "platform/run_error.hpp"
#include "platform/text.hpp"

namespace converter {

void scanRawFolder(platform::Console& console, const std::string& folder, RawFiles& files) {
    files.rawFiles.clear();
    files.rawFiles.reserve(1000);
    files.rawFileCount = 0;
    for (const platform::DirEntry& entry : platform::findEntries(folder, "_KVA*.*")) {
        if (entry.isFolder || entry.isVolumeLabel) continue;
        if (++files.rawFileCount > kRawFileCapacity) interruptRun(console, "Too many files, press Enter!");
        files.rawFiles.push_back(platform::joinPath(folder, entry.name));
    }
}

void sortRawFiles(RawFiles& files) {
    // Plain byte comparison: upper case before lower case, a prefix first.
    auto less = [](const std::string& a, const std::string& b) {
        return std::string_view(a).compare(std::string_view(b)) < 0;
    };
    std::vector<std::string>& list = files.rawFiles;
    const size_t count = static_cast<size_t>(files.rawFileCount);
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (size_t i = 1; i < count; ++i) {
            if (less(list[i], list[i - 1])) {
                std::swap(list[i], list[i - 1]);
                swapped = true;
            }
        }
    }
}

void headerConflictDialogue(platform::Console& console, const std::string& entry, std::string_view line1,
                            std::string_view line2, RawStore& store) {
    console.endLine();
    console.writeLine("Conflict of headers in " + platform::printablePath(entry));
    std::string answer;
    char choice = 0;
    while (choice != '0' && choice != '1' && choice != 'O') {
        console.writePrompt("The choices: 0 = abort, 1 = use last headers, enter 0 or 1: ");
        if (!console.readLine(answer))
            platform::fail("the input ended at the question about the conflict of headers in " + entry);
        choice = answer.empty() ? 0 : platform::toUpperAscii(answer[0]);
    }
    if (choice != '1') throw platform::RunEnded{};
    store.headerLine1.assign(line1);
    store.headerLine2.assign(line2);
}

namespace {

inline bool isSeparator(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// Bytes that follow the text of a raw file in its buffer: none of them is a
// separator or a digit, so a run of either always ends without a test of
// the end, and the byte after a last CR may be read.
constexpr size_t kPadding = 2;
constexpr char kPaddingByte = 'x';

// Reads the integer at p (not a separator, before the end of the text) into
// `value` and returns the position after it, or nullptr when the text up to
// the next separator is not a 32-bit decimal integer. The records' own loop
// reads unsigned integers of up to 9 digits, by far the most common, before
// it comes to this.
const char* parseRecordField(const char* p, const char* end, int32_t& value) {
    const char* digits = p + (*p == '+' || *p == '-');
    if (*p == '+' && (digits == end || *digits == '-')) return nullptr;
    auto [next, ec] = std::from_chars(*p == '+' ? digits : p, end, value);
    if (ec != std::errc() || (next < end && !isSeparator(*next))) return nullptr;
    return next;
}

long long lineNumberAt(std::string_view text, const char* at) {
    size_t offset = static_cast<size_t>(at - text.data());
    long long line = 1;
    for (size_t i = 0; i < offset; ++i)
        if (text[i] == '\n') ++line;
    return line;
}

[[noreturn]] void tooManyRecords(platform::Console& console) {
    console.endLine();
    interruptRun(console, "Too many records, press Enter!");
}

// The date of all records of a file, from characters 5..10 of its name
// (yymmdd, year 2000 + yy).
double fileDate(const std::string& entry, std::string_view text, const char* at) {
    std::string_view name = platform::fileNamePart(entry);
    auto number = [&](size_t from) {
        char tens = name[from], ones = name[from + 1];
        return tens >= '0' && tens <= '9' && ones >= '0' && ones <= '9' ? (tens - '0') * 10 + (ones - '0')
                                                                        : -1;
    };
    double date = 0;
    if (name.size() < 10 || number(4) < 0 ||
        !platform::tryEncodeDate(2000 + number(4), number(6), number(8), date))
        platform::failAt(entry, lineNumberAt(text, at),
                         "the file name does not carry a valid date yymmdd after \"_KVA\"");
    return date;
}

// The record part of one raw file's text, read on from `at`.
struct RecordText {
    const std::string* entry = nullptr;
    std::string_view text;  // the whole file, followed by kPadding bytes
    const char* at = nullptr;  // where the next integer begins, or the end
    bool dated = false;
    double date = 0;
};

enum class Stop {
    end,     // the text has no further record
    full,    // `room` records are stored and another one begins
    failed,  // the record after the stored ones is faulty (its error was thrown)
};

[[noreturn]] void badField(const RecordText& r, const char* p) {
    const char* const end = r.text.data() + r.text.size();
    const char* tokenEnd = p;
    while (tokenEnd < end && !isSeparator(*tokenEnd)) ++tokenEnd;
    platform::failAt(*r.entry, lineNumberAt(r.text, p),
                     "the record field " +
                         platform::inputExcerpt(std::string_view(p, static_cast<size_t>(tokenEnd - p))) +
                         " is not a 32-bit integer");
}

// Parses records from r.at on into `fields` (87 a record) and `times`, at most
// `room` of them; `stored` counts them as they are completed, so that it
// holds the number of good records also when a faulty one throws.
Stop parseRecords(RecordText& r, int32_t* fields, double* times, int room, int& stored) {
    const char* const end = r.text.data() + r.text.size();
    const char* p = r.at;
    for (;;) {
        // A record begins only where an integer begins: blank space after
        // the last record is no record.
        r.at = p;
        if (p >= end) return Stop::end;
        if (stored == room) return Stop::full;
        const char* recordStart = p;
        int32_t* rec = fields + static_cast<size_t>(stored) * kRawFieldCount;
        const char* after = p;  // the end of the last integer read
        int f = 0;
        for (; f < kRawFieldCount && p < end; ++f) {
            // Unsigned integers of up to 9 digits, digit by digit.
            const char* q = p;
            uint32_t v = 0;
            while (static_cast<unsigned char>(*q - '0') < 10) v = v * 10 + static_cast<uint32_t>(*q++ - '0');
            if (static_cast<size_t>(q - p - 1) < 9 && isSeparator(*q)) {
                rec[f] = static_cast<int32_t>(v);
                after = p = q;
                do ++p;
                while (isSeparator(*p));
                continue;
            }
            if (!(after = parseRecordField(p, end, rec[f]))) badField(r, p);
            p = after;
            while (isSeparator(*p)) ++p;
        }
        if (f == kRawFieldCount) {
            // The rest of the line after the 87th integer is skipped.
            const char* lineEnd;
            if (after[0] == '\r' && after[1] == '\n') {
                lineEnd = after + 1;
            } else if (after[0] == '\n') {
                lineEnd = after;
            } else {
                const void* found = std::memchr(after, '\n', static_cast<size_t>(end - after));
                lineEnd = found ? static_cast<const char*>(found) : end;
            }
            p = lineEnd < end ? lineEnd + 1 : end;
            while (isSeparator(*p)) ++p;
        } else {
            // The file ended inside the record: the missing fields read 0.
            std::memset(rec + f, 0, sizeof(int32_t) * static_cast<size_t>(kRawFieldCount - f));
        }

        if (!r.dated) {
            r.date = fileDate(*r.entry, r.text, recordStart);
            r.dated = true;
        }
        int32_t hhmmss = rec[field::time];
        int hour = hhmmss / 10000, minute = (hhmmss % 10000) / 100, second = hhmmss % 100;
        if (hhmmss < 0 || hour > 23 || minute > 59 || second > 59)
            platform::failAt(*r.entry, lineNumberAt(r.text, recordStart),
                             "the record time " + std::to_string(hhmmss) + " is not a time of day hhmmss");
        times[stored] = r.date + platform::encodeTime(hour, minute, second, 0);
        ++stored;
    }
}

// What reading one raw file found: kept until the console is told, in file
// order, on the thread that owns the console.
struct RawFileRead {
    std::exception_ptr readFailure;  // reading the file failed (before its dot)
    bool opened = false;
    std::string line1, line2, line3;
    RecordText records;
    int parsed = 0;  // good records, from the first on
    Stop stop = Stop::end;
    std::exception_ptr recordFailure;  // the record after the parsed ones
    // Once placed in the store:
    int firstRecord = 0;  // the number of the file's first record
    int recordEnd = 0;    // the number of its last record (or of the one before)
    int copied = 0;       // the records parsed ahead that go into the store
    bool overflow = false;  // a record began beyond the capacity of the store
};

// Reads the file into `buffer` (followed by the padding), takes its three
// header lines and points the record part at the rest.
void openRawFile(const std::string& entry, std::string& buffer, RawFileRead& read) {
    try {
        read.opened = platform::readWholeFile(entry, buffer);
        if (!read.opened) return;
        const size_t size = buffer.size();
        buffer.append(kPadding, kPaddingByte);
        platform::LineReader lines(std::string_view(buffer.data(), size));
        std::string_view line1, line2, line3;
        lines.next(line1);
        lines.next(line2);
        lines.next(line3);
        read.line1.assign(line1);
        read.line2.assign(line2);
        read.line3.assign(line3);
        read.records.entry = &entry;
        read.records.text = lines.text();
        const char* p = lines.text().data() + lines.position();
        while (isSeparator(*p)) ++p;
        read.records.at = p;
    } catch (...) {
        read.readFailure = std::current_exception();
        read.opened = false;
    }
}

// Parses the records of an opened file into `fields` and `times`, at most
// `room` of them.
void parseInto(RawFileRead& read, int32_t* fields, double* times, int room) {
    if (!read.opened) return;
    int stored = 0;
    try {
        read.stop = parseRecords(read.records, fields, times, room, stored);
    } catch (...) {
        read.recordFailure = std::current_exception();
        read.stop = Stop::failed;
    }
    read.parsed += stored;
}

// Settles the place of the file's records behind the first `before` records
// of the store: the `read.parsed` ones already parsed go there by
// copyParsed; the rest is parsed straight into the store. False when the
// file ends the run.
bool placeRecords(RawFileRead& read, int before, RawStore& store) {
    read.firstRecord = before + 1;
    read.recordEnd = before;
    if (!read.opened) return false;
    const int room = kRecordCapacity - before;
    read.copied = std::min(read.parsed, room);
    if (read.stop == Stop::full && read.parsed < room) {
        const int at = before + read.parsed + 1;
        parseInto(read, store.record(at), &store.recordTime[at], room - read.parsed);
    }
    // The record that failed, or that did not fit, began after the parsed ones.
    const int begun = read.parsed + (read.stop == Stop::end ? 0 : 1);
    read.overflow = begun > room;
    read.recordEnd = before + std::min(read.parsed, room);
    return read.stop == Stop::end;
}

// Copies the records parsed ahead into their place. The first touch of the
// store's pages happens here, so that more than one thread pays for it.
void copyParsed(const RawFileRead& read, const int32_t* fields, const double* times, RawStore& store) {
    if (read.copied <= 0) return;
    std::memcpy(store.record(read.firstRecord), fields,
                sizeof(int32_t) * kRawFieldCount * static_cast<size_t>(read.copied));
    std::memcpy(&store.recordTime[read.firstRecord], times, sizeof(double) * static_cast<size_t>(read.copied));
}

// Tells the console what reading the file found, as reading it one file
// after the other does: the message of a file that can't be read, its dot,
// the header dialogue, and the end of the run at a record that does not fit
// or is faulty.
void reportRawFile(platform::Console& console, const std::string& entry, bool first, const RawFileRead& read,
                   RawStore& store) {
    if (read.readFailure) std::rethrow_exception(read.readFailure);
    if (!read.opened) {
        console.writeLine(platform::printablePath(entry) + " is inaccessible (maybe open by another application?");
        console.writeLine("Program will be interrupted, press Enter!");
        endAfterEnter(console);
    }
    console.writePrompt(".");
    store.headerLine3 = read.line3;
    if (first) {
        store.headerLine1 = read.line1;
        store.headerLine2 = read.line2;
    } else if (read.line1 != store.headerLine1 || read.line2 != store.headerLine2) {
        headerConflictDialogue(console, entry, read.line1, read.line2, store);
    }
    store.recordCount = read.recordEnd;
    if (read.overflow) tooManyRecords(console);
    if (read.recordFailure) std::rethrow_exception(read.recordFailure);
}

// Room of each working slot for the records of a file parsed before the
// store has its place ready (a day at one record per 10 s fits).
constexpr int kParsedAheadRecords = 8640;

}  // namespace

void readAllRawFiles(platform::Console& console, const RawFiles& files, RawStore& store) {
    // Each file is read and parsed on its own, side by side with others, into
    // its slot's room; then, in file order, its records get their place
    // behind those of the files before it, and are copied there side by side
    // again. The console hears of it all afterwards, in file order, exactly
    // as a reading of one file after the other tells it.
    struct Slot {
        std::string text;
        std::unique_ptr<int32_t[]> fields;
        std::unique_ptr<double[]> times;
    };
    const int slots = orderedSlots();
    std::vector<Slot> room(static_cast<size_t>(slots));
    std::vector<RawFileRead> reads(static_cast<size_t>(files.rawFileCount));
    int placed = 0;
    forEachInOrder(
        files.rawFileCount, slots,
        [&](long i, int s) {
            Slot& slot = room[static_cast<size_t>(s)];
            RawFileRead& read = reads[static_cast<size_t>(i)];
            openRawFile(files.rawFiles[static_cast<size_t>(i)], slot.text, read);
            // Alone, a file's turn has always come: its records go straight
            // into the store.
            const int ahead = slots > 1 ? kParsedAheadRecords : 0;
            if (read.opened && ahead > 0 && !slot.fields) {
                slot.fields.reset(new int32_t[static_cast<size_t>(ahead) * kRawFieldCount]);
                slot.times.reset(new double[static_cast<size_t>(ahead)]);
            }
            parseInto(read, slot.fields.get(), slot.times.get(), ahead);
        },
        [&](long i, int) {
            RawFileRead& read = reads[static_cast<size_t>(i)];
            const bool goOn = placeRecords(read, placed, store);
            placed = read.recordEnd;
            return goOn;
        },
        [&](long i, int s) {
            const Slot& slot = room[static_cast<size_t>(s)];
            copyParsed(reads[static_cast<size_t>(i)], slot.fields.get(), slot.times.get(), store);
        });

    store.recordCount = 0;
    for (int i = 0; i < files.rawFileCount; ++i)
        reportRawFile(console, files.rawFiles[static_cast<size_t>(i)], i == 0, reads[static_cast<size_t>(i)], store);
    console.endLine();
}

void readRawFile(platform::Console& console, const std::string& entry, bool first, RawStore& store,
                 std::string& buffer) {
    RawFileRead read;
    openRawFile(entry, buffer, read);
    parseInto(read, nullptr, nullptr, 0);
    placeRecords(read, store.recordCount, store);
    reportRawFile(console, entry, first, read, store);
}

double headerFieldValue(std::string_view field) {
    while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
    while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
    double value = 0;
    if (!platform::parseReal(field.substr(0, platform::realNotationLength(field)), value)) value = 0;
    return value;
}

void parseHeaderLine2(RawStore& store, ConverterSettings& settings) {
    double* targets[26] = {};
    targets[4] = &store.headerParam4;
    targets[5] = &store.headerParam5;
    targets[6] = &store.headerParam6;
    targets[7] = &store.headerParam7;
    targets[21] = &settings.c_inv_n2;
    targets[22] = &settings.c_inv_n1;
    targets[23] = &settings.c_inv_p1;
    targets[24] = &settings.c_inv_p2;
    targets[25] = &settings.z_limit;

    // The line with a tab appended, cut at its tabs: fields 1, 2, ...
    std::string_view line = store.headerLine2;
    size_t start = 0;
    for (int number = 1; number <= 25; ++number) {
        size_t tab = line.find('\t', start);
        std::string_view text = line.substr(start, tab == std::string_view::npos ? line.npos : tab - start);
        if (targets[number]) *targets[number] = headerFieldValue(text);
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
}

void rewriteHeaderLine2(std::string& headerLine2, const ConverterSettings& settings) {
    int fields = 1;
    size_t cut = std::string::npos;
    for (size_t i = 0; i < headerLine2.size(); ++i) {
        if (headerLine2[i] != '\t') continue;
        if (++fields > 20) {
            cut = i;
            break;
        }
    }
    if (cut != std::string::npos)
        headerLine2.resize(cut);
    else
        headerLine2.append(static_cast<size_t>(20 - fields), '\t');
    for (double value :
         {settings.c_inv_n2, settings.c_inv_n1, settings.c_inv_p1, settings.c_inv_p2, settings.z_limit}) {
        headerLine2 += '\t';
        platform::appendFixed(headerLine2, value, 3);
    }
}

}  // namespace converter
