#include "ncexport/table_lines.hpp"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "platform/number_text.hpp"
#include "platform/text.hpp"

namespace ncexport {

TableLines::TableLines() : buffer_(new char[kBlockSize]) {}

bool TableLines::open(const std::string& path) {
    begin_ = end_ = 0;
    atEnd_ = false;
    number_ = 0;
    return file_.open(path);
}

bool TableLines::rewind() {
    begin_ = end_ = 0;
    atEnd_ = false;
    number_ = 0;
    return file_.rewind();
}

TableLines::Next TableLines::next(std::string_view& line) {
    while (true) {
        char* from = buffer_.get() + begin_;
        const size_t held = end_ - begin_;
        if (const void* found = std::memchr(from, '\n', held)) {
            size_t length = static_cast<size_t>(static_cast<const char*>(found) - from);
            begin_ += length + 1;
            if (length > 0 && from[length - 1] == '\r') --length;
            line = std::string_view(from, length);
            ++number_;
            return Next::line;
        }
        if (atEnd_) {
            if (held == 0) return Next::end;
            line = std::string_view(from, held);
            begin_ = end_;
            ++number_;
            return Next::line;
        }
        // The rest of the block goes to its start, the file fills up the block.
        if (begin_ > 0) {
            std::memmove(buffer_.get(), from, held);
            begin_ = 0;
            end_ = held;
        }
        if (end_ == kBlockSize) {
            ++number_;
            return Next::tooLong;
        }
        size_t got = 0;
        if (!file_.read(buffer_.get() + end_, kBlockSize - end_, got)) return Next::readError;
        atEnd_ = got == 0;
        end_ += got;
    }
}

void prepareRows(const TablePlan& plan, Rows& rows) {
    size_t reals = 0, wholes = 0;
    rows.start.clear();
    rows.width.clear();
    for (const Variable& variable : plan.variables) {
        const size_t width = variable.shape == Shape::line            ? 1
                             : variable.shape == Shape::diameter      ? 10
                             : variable.shape == Shape::mobility      ? 16
                                                                      : plan.extraDiameters.size();
        size_t& used = variable.type == ValueType::whole ? wholes : reals;
        rows.start.push_back(used);
        rows.width.push_back(width);
        used += width * Rows::kRows;
    }
    rows.reals.assign(reals, std::numeric_limits<float>::quiet_NaN());
    rows.wholes.assign(wholes, 0);
    rows.times.assign(Rows::kRows, 0);
    rows.count = 0;
}

namespace {

std::string columnText(const TablePlan& plan, size_t c) {
    return "column " + std::to_string(c + 1) + " (" + platform::inputExcerpt(plan.titles[c]) + ")";
}

std::string quoted(std::string_view text) { return "\"" + platform::inputExcerpt(text) + "\""; }

// The nearest value of the type to a decimal text: std::from_chars itself
// for the plain numbers of the tables, the platform's reading for anything
// else (a plus sign, a number beyond the range of the type).
template <class Real>
bool readReal(std::string_view text, Real& value) {
    const char* end = text.data() + text.size();
    const std::from_chars_result read = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (read.ec == std::errc() && read.ptr == end && std::isfinite(value)) return true;
    if constexpr (std::is_same_v<Real, float>)
        return platform::parseFloat(text, value);
    else
        return platform::parseReal(text, value);
}

// A whole number as the tables write it, also with a point and zeros
// ("5.0"), as in a Normal table's count of averaged lines.
bool readWhole(std::string_view text, int32_t& value) {
    double real = 0;
    if (!readReal(text, real) || real != std::trunc(real) || real < -2147483648.0 || real > 2147483647.0)
        return false;
    value = static_cast<int32_t>(real);
    return true;
}

}  // namespace

bool readDataLine(const TablePlan& plan, std::string_view line, Rows& rows, std::string& cause) {
    const size_t row = rows.count;
    const size_t columns = plan.columns.size();
    auto at = [&](const Column& column) {
        const size_t v = static_cast<size_t>(column.variable);
        return rows.start[v] + row * rows.width[v] + static_cast<size_t>(column.offset);
    };
    std::string_view timeText, dateText, clockText;
    int32_t date = 0, clock = 0;
    float dayNumber = 0;
    size_t c = 0, start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        const std::string_view field = line.substr(start, tab == std::string_view::npos ? tab : tab - start);
        if (c < columns) {
            const Column& column = plan.columns[c];
            const int index = static_cast<int>(c);
            if (index == plan.timeColumn) {
                timeText = field;
            } else if (column.type == ValueType::whole) {
                int32_t value = 0;
                if (!readWhole(field, value)) {
                    cause = quoted(field) + " in " + columnText(plan, c) + " is not a whole number";
                    return false;
                }
                if (index == plan.dateColumn) date = value, dateText = field;
                if (index == plan.clockColumn) clock = value, clockText = field;
                if (column.variable >= 0) rows.wholes[at(column)] = value;
            } else {
                float value = 0;
                if (!readReal(field, value)) {
                    cause = quoted(field) + " in " + columnText(plan, c) + " is not a number";
                    return false;
                }
                if (!std::isfinite(value)) {
                    cause = quoted(field) + " in " + columnText(plan, c) + " is beyond the range of single precision";
                    return false;
                }
                if (index == plan.dayColumn) dayNumber = value;
                if (column.variable >= 0) rows.reals[at(column)] = value;
            }
        }
        ++c;
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    if (c != columns) {
        cause = std::to_string(c) + " fields where the titles name " + std::to_string(columns);
        return false;
    }

    double& time = rows.times[row];
    bool known = false;
    switch (plan.timeSource) {
        case TimeSource::dayFraction:
            known = dayFractionTime(date, dayNumber, time);
            if (!known) cause = "the date " + quoted(dateText) + " does not exist";
            break;
        case TimeSource::clockCode:
        case TimeSource::dateAndHhmm:
            known = clockTime(date, clock, plan.timeSource == TimeSource::clockCode, time);
            if (!known) cause = quoted(dateText) + " and " + quoted(clockText) + " are no date and time of day";
            break;
        case TimeSource::pattern:
            known = patternTime(plan.pattern, timeText, time);
            if (!known)
                cause = quoted(timeText) + " is no date and time of the pattern " +
                        quoted(plan.titles[0].empty() ? std::string("yyyy-mm-dd hh:nn:ss") : plan.titles[0]);
            break;
        case TimeSource::serialDays: {
            double days = 0;
            known = platform::parseReal(timeText, days) && serialDayTime(days, time);
            if (!known) cause = quoted(timeText) + " is no number of days since 1899-12-30";
            break;
        }
    }
    if (!known) return false;
    ++rows.count;
    return true;
}

}  // namespace ncexport
