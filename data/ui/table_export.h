#pragma once
// The table's records out to a spreadsheet: "Kopírovat" puts the selected rows on the clipboard,
// "Exportovat do CSV…" writes a file of the shown quantity or of every loaded record.

#include <QString>

#include "common/core/data_record.h"
#include "common/core/progress.h"
#include "common/ui/prompt.h"
#include "data/core/csv_export.h"

class QTableView;
class QWidget;

namespace qx {

class RecordTableModel;

// The choice of the CSV file, starting beside the data file `dataFile` under its name. The filter
// the user leaves selected chooses the separators.
FileChoice CsvFileChoice(const QString& dataFile);
// The separators a filter of CsvFileChoice stands for; the defaults for any other text.
CsvOptions CsvOptionsOfFilter(const QString& filter);

// "Exportovat do CSV…": asks for the file, asks before an existing one is replaced, writes the
// records of `quantity` (kAllQuantities: all of them) reporting to `progress`, whose dialog's
// "Storno" stops it, and shows a failure in a message box. A cancel shows nothing.
CsvExportResult ExportCsvWithPrompts(QWidget* parent, const RecordList& list, int quantity,
                                     const QString& dataFile, Progress& progress);

// "Kopírovat" (Ctrl+C): the rows selected in `table`, whose model is `model` over `list`, as
// tab-separated text with a header row on the clipboard. Nothing selected: the clipboard stays.
void CopySelectedRows(const QTableView& table, const RecordTableModel& model,
                      const RecordList& list);

}  // namespace qx
