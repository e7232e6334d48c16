// Synthetic daily tables of standard data, in the layout the converter
// writes: three header lines, then one line of 78 TAB-separated numbers per
// cycle, every line ended by CR LF. Used by the tests and the loading
// benchmark.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/datetime.hpp"
#include "platform/number_text.hpp"

namespace kevor_test {

// The title line of a standard-data table with 8 mobility fractions per
// decade.
inline std::string standardTitles() {
    static const char* const diameters[10] = {"0.487", "0.649", "0.866", "1.155", "1.540",
                                              "2.054", "2.738", "3.652", "4.870", "6.494"};
    static const char* const mobilities[16] = {"0.037", "0.049", "0.065", "0.087", "0.115", "0.154",
                                               "0.205", "0.274", "0.365", "0.487", "0.649", "0.866",
                                               "1.155", "1.540", "2.054", "2.738"};
    std::string titles = "YYMMDD\tHHMM\tDAY\tT:C\tRH:%\tp:mb\tnoise+\tnoise-";
    for (const char* sign : {"\tD+", "\tD-"})
        for (const char* d : diameters) titles += std::string(sign) + d;
    for (const char* sign : {"\tZ+", "\tZ-"})
        for (const char* z : mobilities) titles += std::string(sign) + z;
    titles += "\tsupply\tfilt+\tfilt-\tbatt+\tbatt-\tbias+\tbias-\tpre%\ttau\tasym\tN+\tN-\tn+\tn-\tZ+\tZ-\tovl&sc\tregime";
    return titles;
}

// The three header lines, each ended by CR LF.
inline std::string dailyHeader(std::string_view titles) {
    std::string header = "KEVOR-2 spectrometer\tstation 7\tsynthetic\r\n";
    header += "1.00\t2.00\t3.00\t4.00\t5.00\r\n";
    header += titles;
    header += "\r\n";
    return header;
}

// Decimals of the 78 columns for cycles of one minute.
inline int columnDecimals(int column) {
    switch (column) {
        case 2: case 5: case 61: return 1;
        case 3: return 4;
        case 4: case 6: case 66: case 67: case 75: case 76: return 2;
        default: return 0;
    }
}

// A small deterministic generator for plausible readings.
struct Noise {
    uint32_t state;
    double next(double low, double high) {
        state = state * 1664525u + 1013904223u;
        return low + (high - low) * static_cast<double>(state >> 8) / 16777216.0;
    }
};

// Appends one data line for a cycle at `when` (whole minutes of a day of
// 2000-2099). Column 7 (noise+) carries `id`, so a test can tell lines apart.
inline void appendDailyLine(std::string& out, platform::DateTime when, uint32_t id) {
    platform::DateTimeParts p = platform::decode(when);
    int secondsOfDay = p.hour * 3600 + p.minute * 60 + p.second;
    double values[79];
    values[1] = (p.year - 2000) * 10000 + p.month * 100 + p.day;
    values[2] = p.hour * 100 + p.minute + 0.5;
    values[3] = platform::dayOfYear(when) + secondsOfDay / 86400.0;
    Noise noise{id * 2654435761u + static_cast<uint32_t>(secondsOfDay)};
    values[4] = noise.next(-5, 25);
    values[5] = noise.next(30, 95);
    values[6] = noise.next(980, 1030);
    values[7] = id;
    values[8] = noise.next(5, 60);
    for (int c = 9; c <= 60; ++c) values[c] = noise.next(-50, 3000);
    values[61] = noise.next(11, 13);
    for (int c = 62; c <= 65; ++c) values[c] = noise.next(100, 900);
    values[66] = noise.next(1, 3);
    values[67] = noise.next(-3, -1);
    for (int c = 68; c <= 70; ++c) values[c] = noise.next(0, 100);
    for (int c = 71; c <= 74; ++c) values[c] = noise.next(50, 3000);
    values[75] = noise.next(1.2, 1.6);
    values[76] = noise.next(1.4, 1.9);
    values[77] = 1205;
    values[78] = 100012;
    for (int c = 1; c <= 78; ++c) {
        if (c > 1) out += '\t';
        platform::appendFixed(out, values[c], columnDecimals(c));
    }
    out += "\r\n";
}

}  // namespace kevor_test
