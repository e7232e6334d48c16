#include "converter/input/raw_files.hpp"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <utility>

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

void readAllRawFiles(platform::Console& console, const RawFiles& files, RawStore& store) {
    store.recordCount = 0;
    std::string buffer;
    for (int i = 0; i < files.rawFileCount; ++i)
        readRawFile(console, files.rawFiles[static_cast<size_t>(i)], i == 0, store, buffer);
    console.endLine();
}

void readRawFile(platform::Console& console, const std::string& entry, bool first, RawStore& store,
                 std::string& buffer) {
    if (!platform::readWholeFile(entry, buffer)) {
        console.writeLine(platform::printablePath(entry) + " is inaccessible (maybe open by another application?");
        console.writeLine("Program will be interrupted, press Enter!");
        endAfterEnter(console);
    }
    console.writePrompt(".");

    platform::LineReader lines(buffer);
    std::string_view line1, line2, line3;
    lines.next(line1);
    lines.next(line2);
    lines.next(line3);
    store.headerLine3.assign(line3);
    if (first) {
        store.headerLine1.assign(line1);
        store.headerLine2.assign(line2);
    } else if (line1 != store.headerLine1 || line2 != store.headerLine2) {
        headerConflictDialogue(console, entry, line1, line2, store);
    }
    storeRawRecords(console, buffer, lines.position(), entry, store);
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

// Number of decimal digits at the start of 8 bytes read as one word
// (first character in the lowest byte). Bytes below '0' or above '9' set the
// high bit of their byte in `flags`; borrows and carries only move upward,
// so the lowest flagged byte is the first non-digit.
inline int leadingDigitCount(uint64_t word) {
    uint64_t x = word - 0x3030303030303030ull;
    uint64_t flags = (x | (x + 0x7676767676767676ull)) & 0x8080808080808080ull;
    return flags ? std::countr_zero(flags) / 8 : 8;
}

// Value of the first n (1..7) digits of the word: they are moved to the top
// bytes (zeros before them), then combined pairwise, by fours and by eights.
inline uint32_t leadingDigitsValue(uint64_t word, int n) {
    uint64_t x = ((word - 0x3030303030303030ull) << (8 * (8 - n))) & 0x0F0F0F0F0F0F0F0Full;
    x = (x * 10 + (x >> 8)) & 0x00FF00FF00FF00FFull;
    x = (x * 100 + (x >> 16)) & 0x0000FFFF0000FFFFull;
    return static_cast<uint32_t>((x * 10000 + (x >> 32)) & 0xFFFFFFFFull);
}

// Reads the integer at p (not a separator) into `value` and returns the
// position after it, or nullptr when the text up to the next separator is
// not a 32-bit decimal integer. Integers of up to 7 digits, by far the most
// common, are read 8 bytes at a time; the rest goes through from_chars.
inline const char* parseRecordField(const char* p, const char* end, int32_t& value) {
    const char* digits = p + (*p == '+' || *p == '-');
    if constexpr (std::endian::native == std::endian::little) {
        if (end - digits >= 8) {
            uint64_t word;
            std::memcpy(&word, digits, 8);
            int n = leadingDigitCount(word);
            if (n > 0 && n < 8 && isSeparator(digits[n])) {
                int32_t magnitude = static_cast<int32_t>(leadingDigitsValue(word, n));
                value = *p == '-' ? -magnitude : magnitude;
                return digits + n;
            }
        }
    }
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

}  // namespace

void storeRawRecords(platform::Console& console, std::string_view text, size_t from, const std::string& entry,
                     RawStore& store) {
    const char* p = text.data() + from;
    const char* const end = text.data() + text.size();
    bool haveDate = false;
    double date = 0;
    for (;;) {
        // A record begins only where an integer begins: blank space after
        // the last record is no record.
        while (p < end && isSeparator(*p)) ++p;
        if (p == end) break;
        if (store.recordCount >= kRecordCapacity) tooManyRecords(console);
        const char* recordStart = p;
        int r = ++store.recordCount;
        int32_t* rec = store.record(r);
        int f = 0;
        for (; f < kRawFieldCount; ++f) {
            while (p < end && isSeparator(*p)) ++p;
            if (p == end) break;
            const char* next = parseRecordField(p, end, rec[f]);
            if (!next) {
                const char* tokenEnd = p;
                while (tokenEnd < end && !isSeparator(*tokenEnd)) ++tokenEnd;
                platform::failAt(entry, lineNumberAt(text, p),
                                 "the record field " +
                                     platform::inputExcerpt(std::string_view(p, static_cast<size_t>(tokenEnd - p))) +
                                     " is not a 32-bit integer");
            }
            p = next;
        }
        if (f == kRawFieldCount) {
            // The rest of the line after the 87th integer is skipped.
            const void* lineEnd = std::memchr(p, '\n', static_cast<size_t>(end - p));
            p = lineEnd ? static_cast<const char*>(lineEnd) + 1 : end;
        } else {
            // The file ended inside the record: the missing fields read 0.
            std::memset(rec + f, 0, sizeof(int32_t) * static_cast<size_t>(kRawFieldCount - f));
        }

        if (!haveDate) {
            date = fileDate(entry, text, recordStart);
            haveDate = true;
        }
        int32_t hhmmss = rec[field::time];
        int hour = hhmmss / 10000, minute = (hhmmss % 10000) / 100, second = hhmmss % 100;
        if (hhmmss < 0 || hour > 23 || minute > 59 || second > 59)
            platform::failAt(entry, lineNumberAt(text, recordStart),
                             "the record time " + std::to_string(hhmmss) + " is not a time of day hhmmss");
        store.recordTime[r] = date + platform::encodeTime(hour, minute, second, 0);
    }
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
