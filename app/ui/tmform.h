#pragma once
// The main window: the page control with its five pages, the status bar that shows the hint of
// the control under the mouse, and the routing of the poller's notifications to their handlers.
// The pages share one session and own their controls; this class only hosts and wires them.

#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QString>

#include "data/ui/data_view.h"
#include "measure/ui/session.h"

class QStatusBar;
class QTabWidget;
class QWindow;

namespace qx {

class SetupPage;
class TCommPort;
class TMCfgForm;
class OnlinePage;
class GraphPage;
class ShedPage;
class TablePage;

class TMForm : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr int kClientWidth = 431;
    static constexpr int kClientHeight = 314;

    // Builds the window with every page and runs FormCreate (settings, COM map, working
    // directory); the Schedule page then loads the schedule file of the working directory.
    explicit TMForm(TCommPort& link, QWidget* parent = nullptr);
    // Saves the changed settings, lets the pages close, then closes the link.
    ~TMForm() override;

    void FormCreate();
    void FormActivate();
    void MSetCommChange(QObject* sender);
    void MSetUseClick(QObject* sender);
    void MSetupShEnter();
    void MOnLineShEnter();
    void MShedullerShEnter();
    void MTableShEnter();
    void MGraphShEnter();
    // Window caption: `text`, or the program banner when it is empty.
    void SetCaption(const QString& text);
    static QString Banner();
    // A form or dialog of the program, whose focus makes the main window's next activation;
    // popups, menus and tooltips are not.
    static bool IsFormWindow(const QWindow& window);

    // Notification handlers (messages 1424, 1425, 1426). `earlierSession`: posted by a poller
    // of an earlier Open, whose station table no longer exists.
    void StationChangedMessage(int wParam, int lParam, bool earlierSession = false);
    void ValueMessage(int wParam, int lParam);
    void ConfigKnownMessage(int wParam, int lParam);

    // What the pages share (named apart from the class it returns).
    Session& Shared() { return session_; }
    int SelectedAddress() const { return session_.SelectedAddress(); }
    // The file the On-line page records into; empty while it does not record.
    QString RecordingFileName() const;

    QTabWidget* MPage;
    QStatusBar* MStatusBar;
    SetupPage* MSetupSh;
    OnlinePage* MOnLineSh;
    ShedPage* MShedullerSh;
    TablePage* MTableSh;
    GraphPage* MGraphSh;
    TMCfgForm* MCfgForm;

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void PageEntered(int index);
    void FocusWindowChanged(QWindow* window);
    bool OnAvailableScreen(const QPoint& position) const;

    TCommPort& link_;
    Session session_;
    // What the Table and Graph pages show together.
    DataView dataView_;
    QPointer<QWindow> lastFocus_;  // the program's window that had the focus last
    QPoint placed_;                // where the window was put at start, before a stored position
};

}  // namespace qx
