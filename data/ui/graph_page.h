#pragma once
// The Graph page: the records of the selected quantity over time, with zoom and scroll, saved
// as a picture or printed.

#include <QSize>
#include <QWidget>

class QComboBox;
class QFrame;
class QPushButton;
class QScrollBar;

namespace qx {

class DataView;
class Session;
class GraphView;

class GraphPage : public QWidget {
    Q_OBJECT
  public:
    // `view` is shared with the Table page.
    GraphPage(Session& session, DataView& view, QWidget* parent = nullptr);

    DataView& View() { return view_; }

    void MGrSelectChange();
    void MGrLupaMClick();
    void MGrLupaPClick();
    void MGrScrollScroll(int action);
    // The graph's picture to a file or a printer.
    void MGrSaveClick();
    void MGrPrintClick();

    QFrame* MGrPanel = nullptr;
    GraphView* MGrView = nullptr;
    QScrollBar* MGrScroll = nullptr;
    QComboBox* MGrSelect = nullptr;
    QPushButton* MGrLupaM = nullptr;
    QPushButton* MGrLupaP = nullptr;

  private:
    void BuildControls();
    // The scroll bar and the zoom buttons as the graph state has them.
    void ShowGraphState();
    // Gives the room beyond the design size to the plot.
    void UseRoom(const QSize& extra);

    Session& session_;
    DataView& view_;
};

}  // namespace qx
