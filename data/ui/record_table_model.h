#pragma once
// MTabGrid's model: the records of the selected quantity, one row each, formatted only when a
// row is shown, so a million records cost an index and no text.

#include <QAbstractTableModel>
#include "common/core/data_record.h"
#include "data/core/table_rows.h"

namespace qx {

class RecordTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit RecordTableModel(QObject* parent = nullptr);

    // Rows for the records of `quantity` in `list`; the model keeps a reference to the list.
    void Fill(const RecordList& list, int quantity);
    // Forgets the records (after a failed read or a cancelled fill).
    void Clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The record of each row.
    const TableRows& Rows() const { return rows_; }

  private:
    const RecordList* list_ = nullptr;
    TableRows rows_;
};

}  // namespace qx
