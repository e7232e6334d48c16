// Synthetic raw files of a KEVOR air-ion spectrometer: the same layout as the
// instrument's (three header lines, records of 87 integers, CR LF), with
// physically plausible values and a seeded, reproducible random part.
#pragma once

#include <cstdint>
#include <string>

namespace kevorgen {

struct Options {
    std::string outFolder = ".";
    int year = 2011, month = 12, day = 18;  // date of the first file
    int days = 1;                           // consecutive days, one or more files each
    int filesPerDay = 1;                    // a day split into files .001, .002, ...
    int intervalSeconds = 30;               // time between records
    int fromSecond = 0;                     // time of day of a day's first record
    int toSecond = 86399;                   // no record after this time of day
    long long recordsPerDay = -1;           // cap on the records of one day (-1: none)
    uint64_t seed = 1;

    int zeroEveryMinutes = 10;  // a burst of zero records every this many minutes (0: none)
    int zeroCount = 3;          // zero records per burst

    int gapFrom = -1, gapTo = -1;  // seconds of day without records, every day

    long long brokenRecord = 0;  // record number (over all files, from 1) with a bad field
    int brokenField = 10;
    std::string brokenToken = "4x7";
    long long splitRecord = 0;  // record written over two lines (40 + 47 numbers)

    int headerFields = 27;            // TAB fields of header line 2 (coefficients need 25)
    double coefficients[5] = {-0.15, 0.3, 0.3, -0.15, 1.0};
    int headerConflictFile = 0;       // file number (from 1) with another header line 2
    bool lowerCase = false;           // names "_kva..." instead of "_KVA..."
    bool lfOnly = false;              // LF line ends instead of CR LF
    int trailingBlankLines = 0;       // empty lines after the last record of each file
    double dustRate = 0.002;          // share of records with a dust pulse in one channel pair

    std::string iniSettings;  // when set: also write KEVORCV.INI with these key=value lines
    bool quiet = false;
};

struct Summary {
    int files = 0;
    long long records = 0;
    long long bytes = 0;
};

// Writes the raw files (and KEVORCV.INI when asked) into options.outFolder,
// which is created when missing. Throws std::runtime_error on failure.
Summary generate(const Options& options);

// Writes KEVORCV.INI into `folder`: a header line with today's local date as
// revision date, then one line per comma-separated key=value of `settings`,
// and gives the file a modification time on that same date.
void writeSettingsFile(const std::string& folder, const std::string& settings);

}  // namespace kevorgen
