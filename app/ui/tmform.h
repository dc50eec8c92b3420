#pragma once
// The main window: the page control with its five pages, the status bar that shows the hint of
// the control under the mouse, the stored settings, and the routing of the poller's
// notifications to their handlers. Each page keeps its controls and handlers in a file of its
// own; this class wires them together.

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

#include "common/ui/posting_sink.h"
#include "common/ui/settings_store.h"
#include "link/core/bus_busy.h"
#include "link/core/comm_port.h"
#include "measure/core/models_in_use.h"

class QPushButton;
class QStatusBar;
class QTabWidget;
class QWindow;

namespace qx {

class FormPage;
class SetupPage;
class TMInfoForm;
class TOnlinePage;

class TMForm : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr int kClientWidth = 431;
    static constexpr int kClientHeight = 314;

    // Builds the window and runs FormCreate (settings, COM map, working directory).
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

    // Disables the actions that need a module on the bus (after a failed Use).
    void DisableBusActions();
    void RepaintOnView();
    // Pages take part in the notifications and the closing until they are removed.
    void AddPage(FormPage* page);
    void RemovePage(FormPage* page);

    TCommPort& Link() { return link_; }
    PostingSink& Sink() { return sink_; }
    BusBusy& Bus() { return bus_; }
    // The instrument and module of the station in use, shared by the On-line and Schedule pages.
    ModelsInUse& Models() { return models_; }
    SettingsStore& Settings() { return *settings_; }
    void SetInfoForm(TMInfoForm* info) { infoForm_ = info; }
    TMInfoForm* InfoForm() const { return infoForm_; }
    int SelectedAddress() const;
    const QString& WorkingDirectory() const { return workingDirectory_; }
    // The file the On-line page records into; empty while it does not record.
    QString RecordingFileName() const;
    const QString& DataFileName() const { return dataFileName_; }
    void SetDataFileName(const QString& name) { dataFileName_ = name; }

    QTabWidget* MPage;
    QStatusBar* MStatusBar;
    SetupPage* MSetupSh;
    TOnlinePage* MOnLineSh;
    // Containers of the other pages; their owners put their controls into them.
    QWidget* MShedullerSh;
    QWidget* MTableSh;
    QWidget* MGraphSh;
    // The buttons that need a module on the bus, kept current by the station-changed handler.
    // The first three belong to the On-line page.
    QPushButton* MOnClear;
    QPushButton* MOnStart;
    QPushButton* MOnStop;
    QPushButton* MShedSend;
    QPushButton* MShedCheck;
    QPushButton* MShedClear;
    QPushButton* MTabReceive;

  protected:
    bool event(QEvent* event) override;

  private:
    QWidget* AddSheet(const char* name, const QString& caption);
    void BuildOnlinePage();
    void BuildBusButtons();
    void PageEntered(int index);
    void FocusWindowChanged(QWindow* window);

    TCommPort& link_;
    PostingSink sink_;
    BusBusy bus_;
    std::unique_ptr<SettingsStore> settings_;
    ModelsInUse models_;
    TMInfoForm* infoForm_ = nullptr;
    std::vector<FormPage*> pages_;
    QString workingDirectory_;
    QString dataFileName_;
    QPointer<QWindow> lastFocus_;  // the program's window that had the focus last
};

}  // namespace qx
