#pragma once
// The Table and Graph pages: the record list with the selected quantity, the table of its
// records, the graph with zoom and scroll, reading a data file and downloading the module's
// record queue. Both pages always show the same quantity.

#include <QObject>
#include <QSize>
#include <array>
#include <functional>

#include "common/core/data_record.h"
#include "data/core/graph_state.h"
#include "data/core/shown_records.h"

class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QScrollBar;
class QTableView;

namespace qx {

class RecordTableModel;
class Session;
class TGraphView;

class TDataPages : public QObject {
    Q_OBJECT
  public:
    // Builds the Table page's controls into `tableSheet` and the Graph page's into `graphSheet`;
    // a child of the table sheet.
    TDataPages(Session& session, QWidget* tableSheet, QWidget* graphSheet);

    // Replaces the fixed 1.5 s pauses (tests make them instant).
    void SetPause(std::function<void(int)> pause) { pause_ = std::move(pause); }

    bool ReadFile();
    void TableFillAndGraph();
    void MTabOpenClick();
    void MTabReceiveClick();
    void MTabSelectChange();
    void MGrSelectChange();
    void MGrLupaMClick();
    void MGrLupaPClick();
    void MGrScrollScroll(int action);
    // The table's and the graph's ways out: the selected rows to the clipboard, the records of
    // `quantity` (or of all quantities) to a CSV file, the graph's picture to a file or a printer.
    void MTabCopyClick();
    void MTabExportClick(int quantity);
    void MGrSaveClick();
    void MGrPrintClick();
    // The table's context menu: each item enabled only where it has something to act on.
    void FillTableMenu(QMenu& menu);

    const RecordList& Records() const { return list_; }
    const GraphState& Graph() const { return graph_; }
    const ShownRecords& Shown() const { return shown_; }
    int SelectedQuantity() const { return quantity_; }

    QPushButton* MTabReceive = nullptr;  // enabled while a module answers on the bus
    QTableView* MTabGrid = nullptr;
    QComboBox* MTabSelect = nullptr;
    QPushButton* MTabOpen = nullptr;
    QFrame* MGrPanel = nullptr;
    TGraphView* MGrView = nullptr;
    QScrollBar* MGrScroll = nullptr;
    QComboBox* MGrSelect = nullptr;
    QPushButton* MGrLupaM = nullptr;
    QPushButton* MGrLupaP = nullptr;

  private:
    void BuildTablePage(QWidget* page);
    void BuildGraphPage(QWidget* page);
    void SelectQuantity(int quantity);
    void Prepare(bool recompute, bool reset);
    // The scroll bar and the zoom buttons as the graph state has them.
    void ShowGraphState();
    void FillQuantityLists();
    void SetHints(const QString& hint);
    void FitColumns();
    // Gives the room beyond the design size to the grid and the plot.
    void UseRoom(const QSize& extra);

    Session& session_;
    RecordList& list_;  // the session's
    // While a file is read or the table filled, the progress dialog lets events through: a
    // second read or fill started then would change the list under the running loop.
    bool loading_ = false;
    ShownRecords shown_;
    GraphState graph_;
    int quantity_ = 0;
    RecordTableModel* model_ = nullptr;
    std::function<void(int)> pause_;
    // Per bus address, the toggle for the next download's first record request: 0, or after a
    // download that ended on a failed request the toggle of that request, so that the record
    // whose reply was lost is asked for again instead of being dropped by the module.
    std::array<int, 256> resumeToggle_{};
};

}  // namespace qx
