// Diagram tables for the tests, as KEVORPP writes them.
#pragma once

#include <cstdint>
#include <string>

namespace plotter_test {

// A table of the given step; `value(row, column)` gives fraction column
// 0..19 of row t (the minute t * step).
template <class ValueOf>
std::string makeTable(int stepMinutes, ValueOf value) {
    std::string text;
    for (int t = 0; t * stepMinutes <= 1440; ++t) {
        text += std::to_string(t * stepMinutes);
        for (int c = 0; c < 20; ++c) text += "\t" + std::to_string(static_cast<std::uint64_t>(value(t, c)));
        text += "\r\n";
    }
    return text;
}

}  // namespace plotter_test
