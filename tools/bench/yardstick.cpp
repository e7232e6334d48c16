// kevor-yardstick: the least any program can do with the benchmark inputs:
// read each file whole, skip its three header lines and store every number
// in one table of the size the program keeps. The programs are measured
// against it, side by side on the same machine.
//
//   kevor-yardstick raw FOLDER      raw files (_KVA*) into 1,000,000 x 87 int32,
//                                   as KEVORCV's record store
//   kevor-yardstick tables FOLDER   daily tables (KVA*) into 527,039 x 78
//                                   floats, as KEVORPP's loaded lines
//
// Prints the count of numbers stored and a checksum, so that nothing is
// left out as unused.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

struct FreeTable {
    void operator()(void* table) const { std::free(table); }
};

// The table on large pages where the system offers them, as the programs
// keep theirs: small pages would add tens of thousands of page faults that
// no program need pay.
template <typename T>
std::unique_ptr<T[], FreeTable> allocateTable(size_t count) {
    constexpr size_t kLargePage = size_t{2} << 20;
    const size_t bytes = (count * sizeof(T) + kLargePage - 1) / kLargePage * kLargePage;
    void* table = std::aligned_alloc(kLargePage, bytes);
    if (!table) {
        std::fprintf(stderr, "kevor-yardstick: no memory for the table\n");
        std::exit(1);
    }
#ifdef __linux__
    madvise(table, bytes, MADV_HUGEPAGE);
#endif
    return std::unique_ptr<T[], FreeTable>(static_cast<T*>(table));
}

template <typename T>
int storeNumbers(const std::filesystem::path& folder, std::string_view prefix, size_t capacity) {
    auto table = allocateTable<T>(capacity);
    size_t count = 0;
    std::string text;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (!entry.is_regular_file() || !entry.path().filename().string().starts_with(prefix)) continue;
        std::FILE* file = std::fopen(entry.path().string().c_str(), "rb");
        if (!file) continue;
        std::fseek(file, 0, SEEK_END);
        const long size = std::ftell(file);
        std::fseek(file, 0, SEEK_SET);
        text.resize(size > 0 ? static_cast<size_t>(size) : 0);
        text.resize(std::fread(text.data(), 1, text.size(), file));
        std::fclose(file);

        const char* p = text.data();
        const char* const end = p + text.size();
        for (int line = 0; line < 3 && p < end; ++line) {
            while (p < end && *p != '\n') ++p;
            ++p;
        }
        while (p < end && count < capacity) {
            while (p < end && static_cast<unsigned char>(*p) <= ' ') ++p;
            if (p >= end) break;
            T value;
            const auto result = std::from_chars(p, end, value);
            if (result.ec != std::errc()) {
                ++p;
                continue;
            }
            table[count++] = value;
            p = result.ptr;
        }
    }
    if (error) {
        std::fprintf(stderr, "kevor-yardstick: %s: %s\n", folder.string().c_str(), error.message().c_str());
        return 1;
    }
    double sum = 0;
    for (size_t i = 0; i < count; i += 4096) sum += static_cast<double>(table[i]);
    std::printf("%zu numbers, checksum %g\n", count, sum);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string kind = argc == 3 ? argv[1] : "";
    if (kind == "raw") return storeNumbers<int32_t>(argv[2], "_KVA", size_t{1000000} * 87);
    if (kind == "tables") return storeNumbers<float>(argv[2], "KVA", size_t{527039} * 78);
    std::fprintf(stderr, "usage: kevor-yardstick raw|tables FOLDER\n");
    return 2;
}
