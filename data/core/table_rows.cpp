#include "data/core/table_rows.h"

#include <algorithm>
#include <bit>
#include <iterator>

namespace qx {

TableRows::TableRows(std::span<const DataRecord> records, int quantity) {
    blocks_.resize((records.size() + 63) / 64);
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        const std::size_t begin = b * 64;
        const std::size_t end = std::min(records.size(), begin + 64);
        std::uint64_t bits = 0;
        for (std::size_t i = begin; i < end; ++i)
            bits |= static_cast<std::uint64_t>(records[i].Quantity() == quantity) << (i - begin);
        blocks_[b] = {bits, count_};
        count_ += std::popcount(bits);
    }
}

int TableRows::RecordOf(int row) const {
    if (row < 0 || row >= count_) return -1;
    // The last block whose rows begin at or before `row` holds it.
    const auto block = std::prev(std::upper_bound(
        blocks_.begin(), blocks_.end(), row, [](int r, const Block& b) { return r < b.before; }));
    std::uint64_t bits = block->bits;
    for (int skip = row - block->before; skip > 0; --skip)
        bits &= bits - 1;
    return static_cast<int>((block - blocks_.begin()) * 64) + std::countr_zero(bits);
}

}  // namespace qx
