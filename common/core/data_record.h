#pragma once
// One recorded value in memory and the record list that the Table and Graph pages are drawn from.
// Kept small on purpose: a file of a million lines is a normal logger's month.

#include <cstdint>
#include <string>
#include <vector>

namespace qx {

// Aligned to 4 bytes, not to the doubles' 8: 20 bytes a record instead of 24, a sixth of the
// memory of a year's file at one value a second; reading such doubles costs no measurable time.
struct [[gnu::packed, gnu::aligned(4)]] DataRecord {
    double value = 0.0;        // in the quantity's unit
    double stamp = 0.0;        // s, 1 January 1998 00:00:00 = 86400; -1 for an invalid date
    std::uint8_t address = 0;  // bus address of the module
    std::uint8_t config = 0;   // configuration byte: quantity code in the high nibble
    std::uint8_t limit = 0;    // 0 within limits, 1 above the high limit, 2 below the low limit

    int Quantity() const {
        return (config >> 4) & 7;
    }
};
static_assert(sizeof(DataRecord) <= 20, "a loaded record must stay compact");

// The main window's list of loaded records: the records accepted from the current data file, in
// file order.
struct RecordList {
    std::string fileName;  // path of the current data file, empty when none
    std::vector<DataRecord> records;

    int Count() const { return static_cast<int>(records.size()); }
};

}  // namespace qx
