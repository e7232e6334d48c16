// The raw records of all raw files of a run, their times, and the header
// lines of the raw files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace converter {

inline constexpr int kRawFieldCount = 87;
inline constexpr int kRecordCapacity = 1'000'000;
inline constexpr int kRawFileCapacity = 250;

// Raw field numbers of a record.
namespace field {
inline constexpr int time = 0;        // hhmmss
inline constexpr int kind = 1;        // 1 measurement, 0 zero record, -1 sentinel
inline constexpr int temperature = 2; // 1/100 degC
inline constexpr int humidity = 3;    // 1/10 %
inline constexpr int pressure = 4;    // 1/10 mb
inline constexpr int positive = 5;    // channel i of the positive polarity: 5 + i
inline constexpr int negative = 40;   // channel i of the negative polarity: 40 + i
inline constexpr int supply = 75;
inline constexpr int overload = 85;
inline constexpr int status = 86;
}  // namespace field

// A table of the run allocated once at full size and left untouched, so that
// only the pages of what a run stores are ever committed; on large pages
// where the system offers them, so that a full table takes a few hundred
// page faults instead of tens of thousands.
struct ReleaseLargeTable {
    void operator()(void* p) const;
};
template <class T>
using LargeTable = std::unique_ptr<T[], ReleaseLargeTable>;
void* allocateLargeBytes(size_t bytes);
// Room for `count` values of T (not initialised); throws std::bad_alloc.
template <class T>
LargeTable<T> allocateLargeTable(size_t count) {
    return LargeTable<T>(static_cast<T*>(allocateLargeBytes(count * sizeof(T))));
}

// The raw files to read, in reading order.
struct RawFiles {
    std::vector<std::string> rawFiles;  // room reserved for 1000 entries
    int rawFileCount = 0;
};

// Records 1..recordCount in file order, and the two sentinel records 0 and
// -1 (all fields 0 but the kind, which the run sets to -1). The tables are
// allocated once at full capacity but only touched as records arrive.
struct RawStore {
    LargeTable<int32_t> fields;  // (capacity + 2) records of 87 fields
    LargeTable<double> recordTime;  // index 1..recordCount
    int recordCount = 0;

    std::string headerLine1, headerLine2, headerLine3;
    double headerParam4 = 0, headerParam5 = 0, headerParam6 = 0, headerParam7 = 0;

    // Allocates the tables (not initialised) and clears the sentinels.
    void allocate();
    int32_t* record(int r) { return &fields[static_cast<size_t>(r + 1) * kRawFieldCount]; }
    const int32_t* record(int r) const {
        return &fields[static_cast<size_t>(r + 1) * kRawFieldCount];
    }
    int32_t kind(int r) const { return record(r)[field::kind]; }
};

}  // namespace converter
