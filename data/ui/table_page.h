#pragma once
// The Table page: the records of the selected quantity in a grid, read from a data file or
// downloaded from the module's record queue, and copied or exported to a spreadsheet.

#include <QSize>
#include <QWidget>
#include <array>

class QComboBox;
class QMenu;
class QPushButton;
class QTableView;

namespace qx {

class DataView;
class RecordTableModel;
class Session;

class TablePage : public QWidget {
    Q_OBJECT
  public:
    // `view` is shared with the Graph page.
    TablePage(Session& session, DataView& view, QWidget* parent = nullptr);

    DataView& View() { return view_; }

    void MTabOpenClick();
    void MTabReceiveClick();
    void MTabSelectChange();
    // The selected rows to the clipboard; the records of `quantity` (or of all quantities) to a
    // CSV file.
    void MTabCopyClick();
    void MTabExportClick(int quantity);
    // The table's context menu: each item enabled only where it has something to act on.
    void FillTableMenu(QMenu& menu);

    QPushButton* MTabReceive = nullptr;  // enabled while a module answers on the bus
    QTableView* MTabGrid = nullptr;
    QComboBox* MTabSelect = nullptr;
    QPushButton* MTabOpen = nullptr;

  private:
    void BuildControls();
    void FillRows(bool cancelled);
    void FitColumns();
    // Gives the room beyond the design size to the grid.
    void UseRoom(const QSize& extra);

    Session& session_;
    DataView& view_;
    RecordTableModel* model_ = nullptr;
    // Per bus address, the toggle for the next download's first record request: 0, or after a
    // download that ended on a failed request the toggle of that request, so that the record
    // whose reply was lost is asked for again instead of being dropped by the module.
    std::array<int, 256> resumeToggle_{};
};

}  // namespace qx
