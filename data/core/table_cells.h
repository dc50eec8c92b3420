#pragma once
// The texts of the table of records: header and cells, formatted when a row is shown.

#include <array>
#include <span>
#include <string>

#include "common/core/data_record.h"
#include "common/core/display_list.h"
#include "data/core/table_rows.h"

namespace qx {

constexpr int kTableColumns = 6;

const char* TableHeader(int column);  // "Položka", "Rozsah", "Hodnota", "Limit", "Datum", "Čas"

// "High" or "Low" for a value at or beyond the overload mark (by its sign) or a limit flag of 1
// or 2; empty otherwise.
const char* LimitText(const DataRecord& record);

// The cell of `column` for `record` shown as row `number` (from 1) of its quantity.
std::string TableCell(const DataRecord& record, int number, int column);

using ColumnWidths = std::array<int, kTableColumns>;  // px

// Widths that show every cell text of the rows (`rows`: record indices in `records`, row 1
// first) whole: the widest text measured by `textWidth` plus `padding`, and never less than
// `minimum`. The range names of every row are measured, since a rare range can be the widest;
// of the other columns, whose texts share a shape, a large table is sampled evenly, its last
// row (the widest running number) always included.
ColumnWidths TableColumnWidths(std::span<const DataRecord> records, const TableRows& rows,
                               const TextWidth& textWidth, int padding,
                               const ColumnWidths& minimum);

}  // namespace qx
