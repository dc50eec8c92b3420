#include "data/ui/table_export.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QTableView>
#include <algorithm>
#include <vector>

#include "data/core/queue_download.h"
#include "data/ui/record_table_model.h"

namespace qx {
namespace {

// The default first: the dialog opens with it selected.
const char* const kSemicolonFilter = "Soubor CSV se středníkem a desetinnou čárkou (*.csv)";
const char* const kCommaFilter = "Soubor CSV s čárkou a desetinnou tečkou (*.csv)";

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

FileChoice CsvFileChoice(const QString& dataFile) {
    FileChoice choice;
    choice.mode = FileChoice::Mode::Save;
    choice.title = QStringLiteral("Exportovat do CSV");
    choice.filter = QString::fromUtf8(kSemicolonFilter) + QStringLiteral(";;") +
                    QString::fromUtf8(kCommaFilter);
    choice.defaultSuffix = QStringLiteral("csv");
    const QFileInfo data(dataFile);
    choice.initialPath =
        dataFile.isEmpty() ? QString() : data.dir().filePath(data.completeBaseName() + ".csv");
    return choice;
}

CsvOptions CsvOptionsOfFilter(const QString& filter) {
    CsvOptions options;
    if (filter == QString::fromUtf8(kCommaFilter)) {
        options.separator = ',';
        options.decimal = '.';
    }
    return options;
}

CsvExportResult ExportCsvWithPrompts(QWidget* parent, const RecordList& list, int quantity,
                                     const QString& dataFile, Progress& progress) {
    const QString caption = Text(kCsvExportCaption);
    QString filter;
    FileChoice choice = CsvFileChoice(dataFile);
    choice.chosenFilter = &filter;
    const QString path = Prompts().ChooseFile(parent, choice);
    CsvExportResult result;
    result.status = CsvExportResult::Status::Cancelled;
    if (path.isEmpty()) return result;
    const std::string name = path.toStdString();
    if (QFile::exists(path) && !Prompts().Ask(parent, Text(OverwriteQuestionText(name)), caption)) {
        return result;
    }
    // The progress steps deliver events, and an event may read another file into the list: the
    // export works on a copy (24 bytes a record, a blink beside the writing).
    const std::vector<DataRecord> records = list.records;
    result = ExportCsv(name, records, quantity, CsvOptionsOfFilter(filter), progress);
    if (result.status == CsvExportResult::Status::Failed)
        Prompts().Message(parent, Text(result.error), caption);
    return result;
}

void CopySelectedRows(const QTableView& table, const RecordTableModel& model,
                      const RecordList& list) {
    if (table.selectionModel() == nullptr) return;
    std::vector<int> rows;
    for (const QModelIndex& index : table.selectionModel()->selectedRows())
        rows.push_back(index.row());
    if (rows.empty()) return;
    std::sort(rows.begin(), rows.end());
    std::vector<int> records;
    for (const int row : rows) {
        if (const int record = model.Rows().RecordOf(row); record >= 0) records.push_back(record);
    }
    QGuiApplication::clipboard()->setText(Text(CopyRowsText(list.records, records)));
}

}  // namespace qx
