#include "tests/fuzz/fuzz_inputs.hpp"

#include <algorithm>
#include <iterator>

namespace fuzz {

namespace {

constexpr int kCycleLengths[13] = {0, 1, 2, 3, 4, 5, 6, 10, 12, 15, 20, 30, 60};
constexpr int kFirstDates[5][3] = {{2011, 12, 20}, {2000, 1, 1}, {2099, 12, 31}, {2012, 2, 28}, {2012, 2, 29}};

template <class Table>
uint8_t indexOf(const Table& table, int value) {
    return static_cast<uint8_t>(std::find(std::begin(table), std::end(table), value) - std::begin(table));
}

}  // namespace

RawCase decodeRawCase(const std::vector<uint8_t>& b) {
    RawCase c;
    c.outputstyle = b[0] % 3;
    c.cycleminutes = kCycleLengths[b[1] % 13];
    c.zerominutes = std::max(3 + b[2], c.cycleminutes);
    c.extracorrect = b[3] % 4;
    c.coefficientsInSettings = (b[3] & 4) != 0;
    for (int i = 0; i < 4; ++i) c.coefficients[i] = (b[4 + i] - 128) / 12.8;
    c.coefficients[4] = 0.01 + (b[3] >> 3) * 0.3;
    const int* date = kFirstDates[(b[8] & 7) % 5];
    c.year = date[0];
    c.month = date[1];
    c.day = date[2];
    c.dragFile = (b[8] & 8) != 0;
    return c;
}

std::vector<uint8_t> encodeRawCase(int outputstyle, int cycleminutes, int zerominutes, int extracorrect) {
    return {static_cast<uint8_t>(outputstyle),
            indexOf(kCycleLengths, cycleminutes),
            static_cast<uint8_t>(zerominutes - 3),
            static_cast<uint8_t>(extracorrect),
            128,
            128,
            128,
            128,
            0};
}

std::vector<uint8_t> encodeTableCase(int method, int step, char kind, int variableList) {
    const uint8_t kindIndex = kind == 'N' ? 0 : kind == 'F' ? 1 : 2;
    return {static_cast<uint8_t>(method),       10, 1, 2, 1, indexOf(kTimeSteps, step), 1, kindIndex, 0,
            static_cast<uint8_t>(variableList), 1,  2};
}

}  // namespace fuzz
