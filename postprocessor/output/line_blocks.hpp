// Lines cut into consecutive blocks for the cores: each block is worked by
// one thread exactly as the plain loop over its lines would work it.
#pragma once

#include <algorithm>

namespace postprocessor {

class LineBlocks {
public:
    // Lines first..last (none when last < first), `size` lines a block.
    LineBlocks(int first, int last, int size = 4096)
        : first_(first), count_(last < first ? 0 : (static_cast<long>(last) - first) / size + 1),
          last_(last), size_(size) {}

    long count() const { return count_; }
    int first(long k) const { return static_cast<int>(first_ + k * size_); }
    int last(long k) const { return static_cast<int>(std::min<long>(last_, first_ + (k + 1) * size_ - 1)); }

private:
    long first_;
    long count_;
    long last_;
    long size_;
};

}  // namespace postprocessor
