// Every call of the netCDF library is in this file.
#include "ncexport/dataset.hpp"

#include <netcdf.h>
#include <netcdf_mem.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/files.hpp"
#include "platform/run_error.hpp"

namespace ncexport {

namespace {

// The library wants a name for a dataset in memory; it opens no file of it.
constexpr const char* kMemoryName = "kevornc-dataset";

nc_type typeOf(Dataset::Type type) {
    switch (type) {
        case Dataset::Type::float32: return NC_FLOAT;
        case Dataset::Type::int32: return NC_INT;
        default: return NC_DOUBLE;
    }
}

std::string nameOf(std::string_view name) { return std::string(name); }

}  // namespace

Dataset::Dataset() {
    check(nc_create_mem(kMemoryName, NC_64BIT_OFFSET, 0, &id_));
    // Every value is put, so the library need not write fill values first
    // (the memory it adds is zeroed, so no byte depends on the system).
    int previous = 0;
    check(nc_set_fill(id_, NC_NOFILL, &previous));
}

Dataset::~Dataset() {
    if (id_ >= 0) nc_abort(id_);
}

void Dataset::check(int status) const {
    if (status != NC_NOERR) platform::fail(std::string("the dataset could not be made: ") + nc_strerror(status));
}

int Dataset::dimension(std::string_view name, size_t length) {
    int dimension = 0;
    check(nc_def_dim(id_, nameOf(name).c_str(), length, &dimension));
    dimensionLengths_.push_back(length);
    return dimension;
}

int Dataset::variable(std::string_view name, Type type, std::initializer_list<int> dimensions) {
    const std::vector<int> ids(dimensions);
    int variable = 0;
    check(nc_def_var(id_, nameOf(name).c_str(), typeOf(type), static_cast<int>(ids.size()), ids.data(), &variable));
    firstLengths_.push_back(ids.empty() ? 1 : dimensionLengths_[static_cast<size_t>(ids[0])]);
    rowLengths_.push_back(ids.size() > 1 ? dimensionLengths_[static_cast<size_t>(ids[1])] : 1);
    return variable;
}

void Dataset::text(int variable, std::string_view name, std::string_view value) {
    check(nc_put_att_text(id_, variable == kGlobal ? NC_GLOBAL : variable, nameOf(name).c_str(), value.size(),
                          value.data()));
}

void Dataset::number(int variable, std::string_view name, double value) {
    check(nc_put_att_double(id_, variable == kGlobal ? NC_GLOBAL : variable, nameOf(name).c_str(), NC_DOUBLE, 1,
                            &value));
}

void Dataset::number(int variable, std::string_view name, int32_t value) {
    const int whole = value;
    check(nc_put_att_int(id_, variable == kGlobal ? NC_GLOBAL : variable, nameOf(name).c_str(), NC_INT, 1, &whole));
}

void Dataset::fillWithNaN(int variable) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    check(nc_put_att_float(id_, variable, "_FillValue", NC_FLOAT, 1, &nan));
}

void Dataset::endDefinitions() {
    check(nc_enddef(id_));
    // The values of the last variable end the file: one put there first
    // gives the dataset its whole size at once, instead of growing it (and
    // copying it) with every block of rows. The value is put again later.
    const int last = static_cast<int>(rowLengths_.size()) - 1;
    if (last < 0 || firstLengths_.back() == 0) return;
    const size_t index[2] = {firstLengths_.back() - 1, rowLengths_.back() - 1};
    const double zero = 0;
    check(nc_put_var1_double(id_, last, index, &zero));
}

void Dataset::region(int variable, size_t firstRow, size_t rows) {
    start_[0] = firstRow;
    count_[0] = rows;
    count_[1] = rowLengths_[static_cast<size_t>(variable)];
}

void Dataset::put(int variable, size_t firstRow, size_t rows, const float* values) {
    region(variable, firstRow, rows);
    check(nc_put_vara_float(id_, variable, start_, count_, values));
}

void Dataset::put(int variable, size_t firstRow, size_t rows, const int32_t* values) {
    region(variable, firstRow, rows);
    static_assert(sizeof(int) == sizeof(int32_t));
    check(nc_put_vara_int(id_, variable, start_, count_, reinterpret_cast<const int*>(values)));
}

void Dataset::put(int variable, size_t firstRow, size_t rows, const double* values) {
    region(variable, firstRow, rows);
    check(nc_put_vara_double(id_, variable, start_, count_, values));
}

void Dataset::writeTo(platform::OutputFile& file) {
    NC_memio memory{};
    const int status = nc_close_memio(id_, &memory);
    id_ = -1;
    check(status);
    // The library's own memory, given back once its bytes are in the file.
    struct Release {
        void* memory;
        ~Release() { std::free(memory); }
    } release{memory.memory};
    const char* bytes = static_cast<const char*>(memory.memory);
    constexpr size_t kPiece = 1 << 20;
    for (size_t at = 0; at < memory.size; at += kPiece)
        file.write(std::string_view(bytes + at, std::min(kPiece, memory.size - at)));
}

}  // namespace ncexport
