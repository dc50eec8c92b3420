#pragma once
// What the Table and Graph pages show together: the quantity chosen on either page, the records
// of it that are shown, the graph's window over them, and whether a file is being read or the
// table filled. The record list itself is the session's. The view reads the data file, fills
// the table's rows and prepares the graph; the pages follow its signals, so neither page
// reaches the other.

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "common/core/data_record.h"
#include "data/core/graph_state.h"
#include "data/core/shown_records.h"

class QComboBox;
class QWidget;

namespace qx {

class Session;

class DataView : public QObject {
    Q_OBJECT
  public:
    explicit DataView(Session& session, QObject* parent = nullptr);

    // Replaces the fixed 1.5 s pauses (tests make them instant).
    void SetPause(std::function<void(int)> pause) { pause_ = std::move(pause); }
    const std::function<void(int)>& Pause() const { return pause_; }

    RecordList& Records() { return list_; }
    const RecordList& Records() const { return list_; }
    GraphState& Graph() { return graph_; }
    const GraphState& Graph() const { return graph_; }
    const ShownRecords& Shown() const { return shown_; }
    int SelectedQuantity() const { return quantity_; }
    // The graph view reads the quantity it draws through this.
    const int* QuantityAddress() const { return &quantity_; }
    // While a file is read or the table filled, the progress dialog lets events through: a
    // second read or fill started then would change the list under the running loop.
    bool Loading() const { return loading_; }

    // A page's drop-down list of the quantities: filled, and set to the chosen one, with the
    // other page's. The page connects its own handler.
    QComboBox* AddQuantityList(QWidget* page, const char* name);

    // Reads the session's data file into the record list; a message when it cannot be opened
    // or holds records out of sequence. The views' hints name the file.
    bool ReadFile();
    // After a read: quantity 0 in the table and the graph, and the quantity lists.
    void ShowRead();
    // After a failed read: the emptied list is never shown through the old rows.
    void ShowNothing();
    void SelectQuantity(int quantity);
    void TableFillAndGraph();
    // The graph state for the shown records, then the graph page follows it.
    void Prepare(bool recompute, bool reset);

  signals:
    // The table's rows are the selected quantity's records (`cancelled`: none, the fill was
    // cancelled); the columns fit them.
    void RowsFilled(bool cancelled);
    void RowsCleared();
    void GraphChanged();
    void HintChanged(const QString& hint);

  private:
    void FillQuantityLists();

    Session& session_;
    RecordList& list_;  // the session's
    bool loading_ = false;
    ShownRecords shown_;
    GraphState graph_;
    int quantity_ = 0;
    std::function<void(int)> pause_;
    std::vector<QComboBox*> quantityLists_;
};

}  // namespace qx
