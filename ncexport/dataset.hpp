// A netCDF dataset built in memory: classic format with 64-bit offsets,
// readable by every netCDF reader. Its bytes go to the disk through an
// output file of ours, like every other output, and depend on nothing but
// what is put into it (no time stamp, nothing of the system).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace platform {
class OutputFile;
}

namespace ncexport {

class Dataset {
public:
    enum class Type { float32, int32, float64 };
    static constexpr int kGlobal = -1;

    Dataset();
    // Drops a dataset that was not written.
    ~Dataset();
    Dataset(const Dataset&) = delete;
    Dataset& operator=(const Dataset&) = delete;

    int dimension(std::string_view name, size_t length);
    int variable(std::string_view name, Type type, std::initializer_list<int> dimensions);
    // Attributes of a variable, or of the dataset (kGlobal).
    void text(int variable, std::string_view name, std::string_view value);
    void number(int variable, std::string_view name, double value);
    void number(int variable, std::string_view name, int32_t value);
    // A float32 variable whose unwritten values are NaN, and say so.
    void fillWithNaN(int variable);
    void endDefinitions();

    // Rows firstRow.. of a variable (a row: its values at one index of the
    // first dimension).
    void put(int variable, size_t firstRow, size_t rows, const float* values);
    void put(int variable, size_t firstRow, size_t rows, const int32_t* values);
    void put(int variable, size_t firstRow, size_t rows, const double* values);

    // Closes the dataset and writes its bytes into `file`.
    void writeTo(platform::OutputFile& file);

private:
    void check(int status) const;
    void region(int variable, size_t firstRow, size_t rows);

    int id_ = -1;
    std::vector<size_t> dimensionLengths_;
    std::vector<size_t> firstLengths_;  // per variable: rows
    std::vector<size_t> rowLengths_;    // per variable: values in one row
    size_t start_[2] = {}, count_[2] = {};
};

}  // namespace ncexport
