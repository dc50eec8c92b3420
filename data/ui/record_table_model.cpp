#include "data/ui/record_table_model.h"

#include <QColor>
#include <QString>

#include "data/core/table_cells.h"

namespace qx {

RecordTableModel::RecordTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void RecordTableModel::Fill(const RecordList& list, int quantity) {
    beginResetModel();
    list_ = &list;
    rows_ = {};  // the old rows go before the new ones are built
    rows_ = TableRows(list.records, quantity);
    endResetModel();
}

void RecordTableModel::Clear() {
    beginResetModel();
    list_ = nullptr;
    rows_ = {};
    endResetModel();
}

int RecordTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_.Count();
}

int RecordTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kTableColumns;
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const {
    // The running number is the fixed column, yellow as the header; the record's cells aqua.
    if (role == Qt::BackgroundRole && index.isValid()) {
        return QColor(index.column() == 0 ? Qt::yellow : Qt::cyan);
    }
    if (role != Qt::DisplayRole || list_ == nullptr || !index.isValid()) return {};
    const int row = rows_.RecordOf(index.row());
    const auto record = static_cast<std::size_t>(row);
    // The list may have been emptied since the fill; a row then shows nothing.
    if (row < 0 || record >= list_->records.size()) return {};
    return QString::fromStdString(
        TableCell(list_->records[record], index.row() + 1, index.column()));
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    return QString::fromUtf8(TableHeader(section));
}

}  // namespace qx
