#include "plotter/diagram_table.hpp"

#include "platform/files.hpp"
#include "platform/text.hpp"

namespace plotter {

namespace {

// Values beyond this are all "very many ions" to the colour scale; the
// tables' whole numbers can run to 39 digits.
constexpr std::uint64_t kValueCap = 1'000'000'000'000'000'000ULL;
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A field for a message, quoted as every message of the programs quotes
// input (platform/text.hpp).
std::string shown(std::string_view field) { return "\"" + platform::inputExcerpt(field) + "\""; }

// A whole number of 0 or more, over the whole field.
bool readWhole(std::string_view field, std::uint64_t& value) {
    if (field.empty()) return false;
    value = 0;
    for (char c : field) {
        if (!isDigit(c)) return false;
        if (value < kValueCap) value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > kValueCap) value = kValueCap;
    return true;
}

bool damaged(TableDamage& damage, long long line, std::string cause) {
    damage.line = line;
    damage.cause = std::move(cause);
    return false;
}

}  // namespace

bool readDiagramTable(std::string_view text, DayCells& day, TableDamage& damage) {
    platform::LineReader lines(text);
    std::string_view line;
    day.stepMinutes = 0;
    day.rowCount = 0;
    int row = 0;
    std::uint64_t step = 0;
    while (lines.next(line)) {
        const long long number = lines.lineNumber();
        if (row > 0 && row == day.rowCount)
            return damaged(damage, number, "a row after the row of minute 1440");
        int field = 0;
        size_t start = 0;
        std::uint64_t minute = 0;
        while (true) {
            size_t tab = line.find('\t', start);
            const std::string_view text = line.substr(start, tab == std::string_view::npos ? tab : tab - start);
            if (field <= kTableColumns) {
                std::uint64_t value = 0;
                if (!readWhole(text, value))
                    return damaged(damage, number,
                                   text.empty() && line.empty() ? "an empty line"
                                                                : shown(text) + " is not a whole number of 0 or more");
                if (field == 0)
                    minute = value;
                else
                    day.cells[row][field - 1] = colourClassOf(value);
            }
            ++field;
            if (tab == std::string_view::npos) break;
            start = tab + 1;
        }
        if (field != kTableColumns + 1)
            return damaged(damage, number,
                           std::to_string(field) + " fields where a row has 21 (the minute and 20 fractions)");
        if (row == 0 && minute != 0)
            return damaged(damage, number, "the first row is not the row of minute 0");
        if (row == 1) {
            step = minute;
            if (step == 0 || kMinutesPerDay % step != 0)
                return damaged(damage, number,
                               "a time step of " + std::to_string(step) + " minutes, which does not divide the day");
            day.stepMinutes = static_cast<int>(step);
            day.rowCount = kMinutesPerDay / day.stepMinutes + 1;
        }
        if (row > 1 && minute != step * static_cast<std::uint64_t>(row))
            return damaged(damage, number,
                           "minute " + std::to_string(minute) + " where " + std::to_string(step * row) + " is due");
        ++row;
    }
    if (row == 0) return damaged(damage, 1, "the file is empty");
    if (row < 2 || row < day.rowCount)
        return damaged(damage, lines.lineNumber(), "the table ends before the row of minute 1440");
    return true;
}

bool diagramTableDay(std::string_view fileName, platform::DateTime& day) {
    if (fileName.size() != 10 || platform::toLowerAscii(fileName[0]) != 'd' ||
        platform::toLowerAscii(fileName.substr(7)) != ".xl")
        return false;
    int number[3] = {};
    for (int i = 0; i < 6; ++i) {
        if (!isDigit(fileName[1 + i])) return false;
        number[i / 2] = number[i / 2] * 10 + (fileName[1 + i] - '0');
    }
    return platform::tryEncodeDate(2000 + number[0], number[1], number[2], day);
}

}  // namespace plotter
