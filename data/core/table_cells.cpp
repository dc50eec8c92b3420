#include "data/core/table_cells.h"

#include <algorithm>
#include <cmath>

#include "measure/core/catalogue.h"
#include "measure/core/text_format.h"

namespace qx {

const char* TableHeader(int column) {
    static const char* const kHeaders[kTableColumns] = {"Položka", "Rozsah", "Hodnota",
                                                        "Limit",   "Datum",  "Čas"};
    return column >= 0 && column < kTableColumns ? kHeaders[column] : "";
}

const char* LimitText(const DataRecord& record) {
    if (std::fabs(record.value) >= kOverload) return record.value > 0 ? "High" : "Low";
    return record.limit == 1 ? "High" : record.limit == 2 ? "Low" : "";
}

std::string TableCell(const DataRecord& record, int number, int column) {
    char text[kTextBufferSize];
    const int q = record.Quantity();
    switch (column) {
        case 0:
            return std::to_string(number);
        case 1:
            return RangeName(record.config);
        case 2:
            return ValueText(text, record.value, 0, q, -1, q);
        case 3:
            return LimitText(record);
        case 4:
            return DateText(text, record.stamp, true);
        case 5:
            return TimeText(text, record.stamp, '.');
        default:
            return {};
    }
}

ColumnWidths TableColumnWidths(std::span<const DataRecord> records, const TableRows& rows,
                               const TextWidth& textWidth, int padding,
                               const ColumnWidths& minimum) {
    constexpr int kSamples = 4096;
    ColumnWidths widths = minimum;
    const Font font;  // the measuring function knows the view's font
    auto fit = [&](int column, std::string_view text) {
        widths[static_cast<std::size_t>(column)] =
            std::max(widths[static_cast<std::size_t>(column)], textWidth(text, font) + padding);
    };
    auto recordAt = [&](int index) -> const DataRecord* {
        const auto i = static_cast<std::size_t>(index);
        return index >= 0 && i < records.size() ? &records[i] : nullptr;
    };
    std::array<bool, 256> configSeen{};
    rows.ForEach([&](int, int index) {
        if (const DataRecord* record = recordAt(index)) configSeen[record->config] = true;
    });
    for (int config = 0; config < 256; ++config) {
        if (configSeen[static_cast<std::size_t>(config)]) fit(1, RangeName(config));
    }
    auto measureRow = [&](int row) {
        const DataRecord* record = recordAt(rows.RecordOf(row));
        if (record == nullptr) return;
        for (int column : {0, 2, 3, 4, 5})
            fit(column, TableCell(*record, row + 1, column));
    };
    const int n = rows.Count();
    const int stride = n > kSamples ? n / kSamples : 1;
    for (int row = 0; row < n; row += stride)
        measureRow(row);
    if (n > 0 && (n - 1) % stride != 0) measureRow(n - 1);
    return widths;
}

}  // namespace qx
