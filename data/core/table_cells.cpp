#include "data/core/table_cells.h"

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
    if (std::fabs(record.value) >= 9999.0) return record.value > 0 ? "High" : "Low";
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

}  // namespace qx
