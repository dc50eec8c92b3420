#pragma once
// Records out to a spreadsheet: the CSV file of the shown quantity or of every loaded record, and
// the tab-separated text of table rows for the clipboard. Both say what the table says (its value,
// range and limit texts, its date and time), with the unit in a column of its own, numbers with
// the chosen decimal separator and the date and time as one ISO 8601 local time with tenths and
// the local zone's offset from UTC.

#include <span>
#include <string>
#include <string_view>

#include "common/core/data_record.h"
#include "common/core/progress.h"

namespace qx {

struct CsvOptions {
    // The defaults open in a Czech spreadsheet without an import step: its list separator is ";"
    // and its decimal separator ",". The other choice is "," with ".". A field that holds the
    // field separator (a decimal comma with "," as separator), a quote or a line end is quoted.
    char separator = ';';
    char decimal = ',';
    // A byte-order mark tells a spreadsheet that the file is UTF-8; without it, one of them reads
    // the quantity names and "°C" as the system's single-byte code page.
    bool byteOrderMark = true;
    // CR LF, as RFC 4180 has it and as every file this program writes ends its lines: both big
    // spreadsheets take it, and so does any Windows tool the file may travel on to.
    std::string_view lineEnd = "\r\n";
    // The progress dialog (with its "Storno") is opened only from this many rows on: a small
    // export is done before a dialog could be read.
    int progressFrom = 10000;
};

// Tab-separated text for the clipboard: a spreadsheet pasted into splits it into cells, and the
// line ends are the system's own.
inline CsvOptions ClipboardOptions() {
    CsvOptions o;
    o.separator = '\t';
    o.byteOrderMark = false;
    o.lineEnd = "\n";
    o.progressFrom = 0;
    return o;
}

inline constexpr int kAllQuantities = -1;

// The header row and the row of one record, each ended by the line end.
void AppendCsvHeader(std::string& out, const CsvOptions& options);
void AppendCsvRow(std::string& out, const DataRecord& record, const CsvOptions& options);

// The text that "Kopírovat" puts on the clipboard: the header row and the rows of `indices`
// (record indices into `records`, in the order given; indices outside are skipped).
std::string CopyRowsText(std::span<const DataRecord> records, std::span<const int> indices,
                         const CsvOptions& options = ClipboardOptions());

struct CsvExportResult {
    enum class Status { Written, Cancelled, Failed };
    Status status = Status::Failed;
    int rows = 0;       // record rows written (the header not counted)
    std::string error;  // for Failed: the message for the user
    bool Written() const { return status == Status::Written; }
};

// Writes the records of `quantity` (kAllQuantities: every record) to `path`. The file is written
// under a temporary name in the same folder and renamed over `path` only when complete: a
// cancel, a full disk or a crash never leaves half a file under the name, and an old file of that
// name stays as it was until the new one replaces it whole. A large export reports its progress
// and stops when the user closes the dialog.
CsvExportResult ExportCsv(const std::string& path, std::span<const DataRecord> records,
                          int quantity, const CsvOptions& options, Progress& progress);

inline constexpr std::string_view kCsvExportCaption = "TMForm::MTabExportClick()";

}  // namespace qx
