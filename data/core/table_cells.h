#pragma once
// The texts of the table of records: header and cells, formatted when a row is shown.

#include <string>

#include "data/core/data_record.h"

namespace qx {

constexpr int kTableColumns = 6;

const char* TableHeader(int column);  // "Položka", "Rozsah", "Hodnota", "Limit", "Datum", "Čas"

// "High" or "Low" for a value at or beyond the overload mark (by its sign) or a limit flag of 1
// or 2; empty otherwise.
const char* LimitText(const DataRecord& record);

// The cell of `column` for `record` shown as row `number` (from 1) of its quantity.
std::string TableCell(const DataRecord& record, int number, int column);

}  // namespace qx
