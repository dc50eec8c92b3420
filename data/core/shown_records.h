#pragma once
// The per-quantity counts of the record list and where the records of the selected quantity
// begin and end in it: what the table fill leaves behind for the combos and the graph.

#include <array>
#include <span>

#include "common/core/data_record.h"

namespace qx {

struct ShownRecords {
    std::array<int, 8> counts{};  // records per quantity code
    int quantity = 0;             // the selected quantity, 0 to 7
    int first = -1;               // index of the first record of the selected quantity, -1: none
    int last = -1;                // index of the last one
    int Count() const { return counts[quantity & 7]; }
};

ShownRecords CountShown(std::span<const DataRecord> records, int quantity);

}  // namespace qx
