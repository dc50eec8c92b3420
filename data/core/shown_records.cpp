#include "data/core/shown_records.h"

namespace qx {

ShownRecords CountShown(std::span<const DataRecord> records, int quantity) {
    ShownRecords shown;
    shown.quantity = quantity & 7;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const int q = records[i].Quantity();
        ++shown.counts[q];
        if (q != shown.quantity) continue;
        if (shown.first < 0) shown.first = static_cast<int>(i);
        shown.last = static_cast<int>(i);
    }
    return shown;
}

}  // namespace qx
