// The lines of a table file, read block by block, and the data lines
// turned into rows of values on their way into the dataset.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ncexport/table_plan.hpp"
#include "platform/block_reader.hpp"

namespace ncexport {

// Lines of a file (LF or CR LF line ends) read in blocks of a fixed size,
// so that a table of any size takes only the room of one block.
class TableLines {
public:
    static constexpr size_t kBlockSize = 1 << 20;  // also the longest line
    TableLines();

    bool open(const std::string& path);  // false: it can't be opened, or is no regular file
    bool rewind();
    void close() { file_.close(); }

    enum class Next { line, end, tooLong, readError };
    // The next line without its line end.
    Next next(std::string_view& line);
    long long lineNumber() const { return number_; }

private:
    platform::BlockReader file_;
    std::unique_ptr<char[]> buffer_;
    size_t begin_ = 0, end_ = 0;
    bool atEnd_ = false;
    long long number_ = 0;
};

// The values of up to kRows data lines, for each variable of the plan its
// rows one after the other, and the lines' times.
struct Rows {
    static constexpr size_t kRows = 2048;
    std::vector<float> reals;
    std::vector<int32_t> wholes;
    std::vector<size_t> start;  // of each variable in `reals` or `wholes`
    std::vector<size_t> width;  // of each variable: values in a row
    std::vector<double> times;
    size_t count = 0;
};

// Room for the plan's variables; fraction values that the table has no
// column for stay NaN.
void prepareRows(const TablePlan& plan, Rows& rows);

// Reads a data line into the next row; false with the cause when it is not
// a line of the table.
bool readDataLine(const TablePlan& plan, std::string_view line, Rows& rows, std::string& cause);

}  // namespace ncexport
