#include "data/core/csv_export.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "data/core/table_cells.h"
#include "measure/core/catalogue.h"
#include "measure/core/text_format.h"
#include "tests/data/record_maker.h"
#include "tests/support/fake_progress.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

using test::FakeProgress;
using test::TempDir;
using Rows = std::vector<std::vector<std::string>>;

// A reader of RFC 4180 text, written apart from the writer: quoted fields with doubled quotes,
// CR LF or LF line ends.
Rows ReadCsv(std::string_view text, char separator) {
    Rows rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string& field = rows.back().back();
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == separator) {
            rows.back().emplace_back();
        } else if (c == '\n') {
            rows.emplace_back(1);
        } else if (c != '\r') {
            field += c;
        }
    }
    if (rows.back().size() == 1 && rows.back()[0].empty()) rows.pop_back();
    return rows;
}

// The PC's time zone for the life of the object, given as a POSIX rule (no zone files needed).
class TimeZone {
  public:
    explicit TimeZone(const char* rule) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        ::setenv("TZ", rule, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (old_) {
            ::setenv("TZ", old_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

  private:
    std::optional<std::string> old_;
};
constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

DataRecord R(int config, double value, int limit, double stamp) {
    return test::RecordOf(config, value, limit, stamp);
}

const std::vector<DataRecord>& Records() {
    static const std::vector<DataRecord> records = {
        R(0x12, 230.4, 1, EncodeStamp(2004, 3, 5, 14, 3, 7, 300)),
        R(0x00, -0.125, 2, EncodeStamp(2026, 12, 9, 23, 59, 59, 900)),
        R(0x12, 1234.0, 0, EncodeStamp(2004, 3, 5, 14, 3, 8, 0)),
        R(0x12, 9999.0, 0, EncodeStamp(2004, 3, 5, 14, 3, 9, 0)),
        R(0x12, -9999.0, 0, EncodeStamp(2004, 3, 5, 14, 3, 10, 0)),
        R(0x12, 1e10, 0, EncodeStamp(2004, 3, 5, 14, 3, 11, 0)),
        R(0x40, 0.95, 0, EncodeStamp(2010, 1, 1, 0, 0, 0, 0)),
        R(0x60, 21.5, 0, EncodeStamp(2010, 1, 1, 0, 0, 0, 100)),
        R(0x7A, 0.5, 0, -1.0),
    };
    return records;
}

// What the table shows of a record, in the CSV's columns: its unit split from the value, the
// value's point as the chosen decimal separator, its date and time as one ISO local time (in
// winter, central European).
std::vector<std::string> TableSays(const DataRecord& r, char decimal) {
    const int q = r.Quantity();
    std::string value = TableCell(r, 1, 2);
    const std::string unitTail = std::string("  ") + UnitText(q);
    if (value.ends_with(unitTail)) value.resize(value.size() - unitTail.size());
    while (!value.empty() && value.back() == ' ')
        value.pop_back();
    for (char& c : value)
        if (c == '.') c = decimal;
    std::string range = TableCell(r, 1, 1);
    if (range == "    ") range.clear();
    const std::string date = TableCell(r, 1, 4), time = TableCell(r, 1, 5);
    const std::string stamp = date.size() == 10
                                  ? date.substr(6, 4) + "-" + date.substr(3, 2) + "-" +
                                        date.substr(0, 2) + "T" + time + "+01:00"
                                  : date;
    std::string name = QuantityText(q);
    name = name.substr(0, name.find(' '));
    return {name, UnitText(q), range, value, TableCell(r, 1, 3), stamp};
}

// Both separator choices, and a decimal comma with the comma as separator, which must be quoted.
TEST(CsvExport, ReadBackEqualsTheTableForEachSeparatorChoice) {
    const TimeZone zone(kCentralEurope);
    struct Case {
        char separator, decimal;
    };
    const std::vector<DataRecord>& records = Records();
    for (const Case c : {Case{';', ','}, Case{',', '.'}, Case{',', ','}}) {
        TempDir dir;
        const std::string path = dir.File("out.csv");
        CsvOptions options;
        options.separator = c.separator;
        options.decimal = c.decimal;
        FakeProgress progress;
        const CsvExportResult result = ExportCsv(path, records, kAllQuantities, options, progress);
        ASSERT_TRUE(result.Written()) << result.error;
        EXPECT_EQ(result.rows, static_cast<int>(records.size()));
        const std::string text = TempDir::Read(path);
        ASSERT_TRUE(text.starts_with("\xEF\xBB\xBF"));
        EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);  // CR LF line ends
        const Rows rows = ReadCsv(std::string_view(text).substr(3), c.separator);
        ASSERT_EQ(rows.size(), records.size() + 1);
        EXPECT_EQ(rows[0], (std::vector<std::string>{"Veličina", "Jednotka", "Rozsah", "Hodnota",
                                                     "Limit", "Datum a čas"}));
        for (std::size_t i = 0; i < records.size(); ++i)
            EXPECT_EQ(rows[i + 1], TableSays(records[i], c.decimal)) << c.separator << " row " << i;
        EXPECT_EQ(progress.opens_, 0);  // a small export shows no dialog
    }
    // One row as it stands in the file, and the quantity filter.
    TempDir dir;
    FakeProgress progress;
    ASSERT_TRUE(ExportCsv(dir.File("v.csv"), records, 6, CsvOptions{}, progress).Written());
    EXPECT_EQ(TempDir::Read(dir.File("v.csv")),
              "\xEF\xBB\xBFVeličina;Jednotka;Rozsah;Hodnota;Limit;Datum a čas\r\n"
              "Teplota;°C;;21,50;;2010-01-01T00:00:00.1+01:00\r\n");
}

TEST(CsvExport, CopiedRowsAreTabSeparatedWithAHeader) {
    const TimeZone zone(kCentralEurope);
    const std::vector<int> rows = {2, 0, 99, -1};  // indices outside the list are skipped
    EXPECT_EQ(CopyRowsText(Records(), rows),
              "Veličina\tJednotka\tRozsah\tHodnota\tLimit\tDatum a čas\n"
              "Napětí\tV\tR3_DC\t1234\t\t2004-03-05T14:03:08.0+01:00\n"
              "Napětí\tV\tR3_DC\t230,4\tHigh\t2004-03-05T14:03:07.3+01:00\n");
}

// The offset is the zone's at each record's own date: summer time, a zone west of UTC, and the
// hour on either side of the change within one export.
TEST(CsvExport, TimesCarryTheirZonesOffset) {
    struct Case {
        const char* zone;
        double stamp;
        const char* time;
    };
    const Case cases[] = {
        {kCentralEurope, EncodeStamp(2026, 7, 1, 12, 0, 0, 0), "2026-07-01T12:00:00.0+02:00"},
        {kCentralEurope, EncodeStamp(2026, 3, 29, 1, 59, 59, 0), "2026-03-29T01:59:59.0+01:00"},
        {kCentralEurope, EncodeStamp(2026, 3, 29, 3, 0, 0, 0), "2026-03-29T03:00:00.0+02:00"},
        {"EST5EDT,M3.2.0,M11.1.0", EncodeStamp(2026, 12, 9, 6, 12, 14, 0),
         "2026-12-09T06:12:14.0-05:00"},
        {"IST-5:30", EncodeStamp(2026, 12, 9, 6, 12, 14, 0), "2026-12-09T06:12:14.0+05:30"},
        {"UTC0", EncodeStamp(2026, 12, 9, 6, 12, 14, 0), "2026-12-09T06:12:14.0+00:00"},
    };
    std::vector<DataRecord> records;
    for (const Case& c : cases)
        records.push_back(R(0x10, 1.0, 0, c.stamp));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const TimeZone zone(cases[i].zone);
        const int index[] = {static_cast<int>(i)};
        const std::string text = CopyRowsText(records, index);
        EXPECT_TRUE(text.ends_with(std::string("\t") + cases[i].time + "\n")) << text;
    }
    // One export across the change keeps each row's own offset.
    const TimeZone zone(kCentralEurope);
    const std::vector<int> both = {1, 2};
    const std::string text = CopyRowsText(records, both);
    EXPECT_NE(text.find("01:59:59.0+01:00\n"), std::string::npos) << text;
    EXPECT_NE(text.find("03:00:00.0+02:00\n"), std::string::npos) << text;
}

// The old file stays whole and no other file is left when the export is cancelled, the disk is
// full or the name is a folder; a finished export replaces the old file.
TEST(CsvExport, OnlyAWholeFileEverStandsUnderTheName) {
    const std::vector<DataRecord> many(20000, Records()[0]);
    CsvOptions options;
    options.progressFrom = 100;
    auto files = [](const TempDir& dir) {
        int n = 0;
        for (const auto& entry :
             std::filesystem::directory_iterator(std::filesystem::path(dir.File(""))))
            n += static_cast<int>(!entry.path().empty());
        return n;
    };
    TempDir dir;
    const std::string path = dir.Write("out.csv", "old");
    {
        FakeProgress progress;
        progress.cancelAtDelivery_ = 2;
        const CsvExportResult result = ExportCsv(path, many, kAllQuantities, options, progress);
        EXPECT_EQ(result.status, CsvExportResult::Status::Cancelled);
        EXPECT_EQ(progress.title_, "Zápis hodnot do souboru CSV");
        EXPECT_EQ(progress.maximum_, 20000);
        EXPECT_FALSE(progress.visible_);
    }
    {
        test::FileSizeLimit full(64 * 1024);
        FakeProgress progress;
        const CsvExportResult result = ExportCsv(path, many, kAllQuantities, options, progress);
        EXPECT_EQ(result.status, CsvExportResult::Status::Failed);
        EXPECT_EQ(result.error, "Chyba zápisu do souboru  " + path + " !");
    }
    EXPECT_EQ(TempDir::Read(path), "old");
    EXPECT_EQ(files(dir), 1);
    std::filesystem::create_directory(dir.File("folder.csv"));
    FakeProgress progress;
    EXPECT_EQ(ExportCsv(dir.File("folder.csv"), many, 0, options, progress).status,
              CsvExportResult::Status::Failed);
    EXPECT_EQ(ExportCsv(dir.File("none/out.csv"), many, 0, options, progress).status,
              CsvExportResult::Status::Failed);
    EXPECT_EQ(files(dir), 2);
    ASSERT_TRUE(ExportCsv(path, many, kAllQuantities, options, progress).Written());
    EXPECT_EQ(ReadCsv(TempDir::Read(path), ';').size(), many.size() + 1);
    EXPECT_EQ(files(dir), 2);
}

}  // namespace
}  // namespace qx
