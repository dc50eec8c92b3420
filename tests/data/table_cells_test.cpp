#include "data/core/table_cells.h"

#include <gtest/gtest.h>

#include "measure/core/catalogue.h"
#include "measure/core/text_format.h"
#include "tests/data/record_maker.h"

namespace qx {
namespace {

DataRecord R(int config, double value, int limit, double stamp = 86400.0) {
    return test::RecordOf(config, value, limit, stamp);
}

// The limit column's cases are golden vectors: tests/golden/limit_text.txt.

TEST(TableCells, RowTexts) {
    const DataRecord r = R(0x12, 230.4, 1, EncodeStamp(2004, 3, 5, 14, 3, 7, 500));
    EXPECT_EQ(TableCell(r, 7, 0), "7");
    EXPECT_EQ(TableCell(r, 7, 2), "230.4  V");
    EXPECT_EQ(TableCell(r, 7, 3), "High");
    EXPECT_EQ(TableCell(r, 7, 4), "05.03.2004");
    EXPECT_EQ(TableCell(r, 7, 5), "14:03:07.5");
    EXPECT_EQ(TableCell(r, 7, 1), RangeName(0x12));
    EXPECT_STREQ(TableHeader(5), "Čas");
    EXPECT_STREQ(TableHeader(6), "");
}

// Widths fit the widest text of each column, measured here at 10 px a byte plus 4 px of margin,
// and never fall below the minimum. Every range name in the rows counts, and in a sampled large
// table the last (widest) running number still does.
TEST(TableCells, ColumnWidthsFitTheWidestText) {
    const TextWidth width = [](std::string_view t, const Font&) {
        return 10 * static_cast<int>(t.size());
    };
    const ColumnWidths minimum{50, 56, 98, 33, 72, 84};
    std::vector<DataRecord> records(10001, R(0x12, 1.0, 0));  // "R3_DC", "1.000  V"
    records[5001] = R(0x1C, -9999.0, 0);  // "RA_TRMS", "Low", in a row the sample skips
    EXPECT_EQ(TableColumnWidths(records, TableRows(records, 1), width, 4, minimum),
              (ColumnWidths{54, 74, 98, 33, 104, 104}));
    EXPECT_EQ(TableColumnWidths(records, TableRows{}, width, 4, minimum), minimum);
}

// The rows find their records as a list of indices would: across the 64-record blocks, over
// runs of blocks without a row, at the list's ragged end, and nothing outside the rows.
TEST(TableCells, RowsAreTheRecordsOfTheQuantityInOrder) {
    std::vector<DataRecord> records;
    for (int i = 0; i < 1000; ++i) {
        const bool gap = i >= 300 && i < 500;  // three blocks and more without quantity 2
        const int quantity = gap ? 5 : (i * 7 + i / 64) % 3 == 0 ? 2 : i % 8;
        records.push_back(R(quantity << 4, i, 0));
    }
    records.resize(999);
    for (const int quantity : {2, 6, 4}) {
        std::vector<int> expected;
        for (std::size_t i = 0; i < records.size(); ++i)
            if (records[i].Quantity() == quantity) expected.push_back(static_cast<int>(i));
        const TableRows rows(records, quantity);
        ASSERT_EQ(rows.Count(), static_cast<int>(expected.size()));
        std::vector<int> found;
        rows.ForEach([&](int row, int record) {
            EXPECT_EQ(row, static_cast<int>(found.size()));
            found.push_back(record);
        });
        EXPECT_EQ(found, expected);
        for (int row = 0; row < rows.Count(); ++row)
            ASSERT_EQ(rows.RecordOf(row), expected[static_cast<std::size_t>(row)]) << row;
        EXPECT_EQ(rows.RecordOf(-1), -1);
        EXPECT_EQ(rows.RecordOf(rows.Count()), -1);
    }
    EXPECT_EQ(TableRows(std::vector<DataRecord>(130, R(0x10, 1.0, 0)), 2).Count(), 0);
    EXPECT_EQ(TableRows({}, 2).RecordOf(0), -1);
}

}  // namespace
}  // namespace qx
