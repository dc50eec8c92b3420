#include "app/ui/tmform.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QWindow>
#include <algorithm>
#include <optional>

#include "app/ui/setup_page.h"
#include "common/settings/settings_store.h"
#include "common/ui/link_event.h"
#include "data/ui/graph_page.h"
#include "data/ui/table_page.h"
#include "link/core/comm_port.h"
#include "link/core/serial_ports.h"
#include "logger/ui/shed_page.h"
#include "logger/ui/tmcfg_form.h"
#include "measure/ui/online_page.h"

namespace qx {

namespace {

// While a handler reads the station table the poller waits before its next step.
class WindowBusy {
  public:
    explicit WindowBusy(TCommPort& link) : link_(link) { link_.SetWindowIdle(false); }
    ~WindowBusy() { link_.SetWindowIdle(true); }
    WindowBusy(const WindowBusy&) = delete;
    WindowBusy& operator=(const WindowBusy&) = delete;

  private:
    TCommPort& link_;
};

}  // namespace

bool TMForm::IsFormWindow(const QWindow& window) {
    switch (window.type()) {
        case Qt::Window:
        case Qt::Dialog:
        case Qt::Sheet:
            return true;
        default:  // popups, tooltips, tool windows, splash screens
            return false;
    }
}

TMForm::TMForm(TCommPort& link, QWidget* parent)
    : QMainWindow(parent, Qt::Window), link_(link), session_(link, *this), dataView_(session_) {
    setObjectName(QStringLiteral("MForm"));
    // The design size is the least; the Table and Graph pages give more room to their views.
    setMinimumSize(kClientWidth, kClientHeight);
    resize(kClientWidth, kClientHeight);
    // The pages are laid out in pixels for a small dialog font.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    MCfgForm = new TMCfgForm(this);

    MPage = new QTabWidget(this);
    MPage->setObjectName(QStringLiteral("MPage"));
    setCentralWidget(MPage);
    MSetupSh = new SetupPage(session_, *MCfgForm, MPage);
    MPage->addTab(MSetupSh, QStringLiteral("Nastavení"));
    MOnLineSh = new OnlinePage(session_, MPage);
    MPage->addTab(MOnLineSh, QStringLiteral("On-line"));
    MShedullerSh = new ShedPage(session_, MPage);
    MPage->addTab(MShedullerSh, QStringLiteral("Rozvrh"));
    MTableSh = new TablePage(session_, dataView_, MPage);
    MPage->addTab(MTableSh, QStringLiteral("Tabulka"));
    MGraphSh = new GraphPage(session_, dataView_, MPage);
    MPage->addTab(MGraphSh, QStringLiteral("Graf"));
    MPage->setCurrentWidget(MSetupSh);
    connect(MPage, &QTabWidget::currentChanged, this, &TMForm::PageEntered);
    // The On-line page knows the selected station's status; the Setup page's panel shows it.
    connect(MOnLineSh, &OnlinePage::SetupStatusChanged, MSetupSh, &SetupPage::ShowStatusCaption);
    // The Schedule page's input choices depend on the models of the station in use.
    connect(MOnLineSh, &OnlinePage::InputSetChanged, MShedullerSh, &ShedPage::RefreshInput);
    connect(&session_, &Session::CaptionRequested, this, &TMForm::SetCaption);

    // Hints of the control under the mouse arrive as status tips and show in the status bar.
    MStatusBar = new QStatusBar(this);
    MStatusBar->setObjectName(QStringLiteral("MStatusBar"));
    MStatusBar->setSizeGripEnabled(false);
    setStatusBar(MStatusBar);
    connect(&session_, &Session::StatusMessage, MStatusBar, &QStatusBar::showMessage);

    connect(qApp, &QGuiApplication::focusWindowChanged, this, &TMForm::FocusWindowChanged);
    FormCreate();
    const SettingsStore::WindowSize stored = session_.Settings().LoadWindowSize();
    if (stored.size.isValid()) resize(stored.size.expandedTo(minimumSize()));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    placed_ = pos();
    // A screen unplugged since, or a smaller one, must not leave the window out of reach.
    if (stored.position && OnAvailableScreen(*stored.position)) move(*stored.position);
    if (stored.maximized) setWindowState(windowState() | Qt::WindowMaximized);
    SetCaption(QString());
}

TMForm::~TMForm() {
    session_.Settings().SaveSetup(MSetupSh->CurrentValues());
    const bool maximized = isMaximized();
    // A maximised window keeps the position it had before.
    session_.Settings().SaveWindowSize({maximized ? normalGeometry().size() : size(), maximized,
                                        maximized ? std::nullopt : std::optional<QPoint>(pos())},
                                       QSize(kClientWidth, kClientHeight), placed_);
    emit session_.Closing();
    link_.Close();
    // The pages go while the session they hold is still there.
    delete MPage;
}

// The frame's top left corner at `position` and the start of its title bar with it lie on one
// screen's available area, so the user can grab the window there.
bool TMForm::OnAvailableScreen(const QPoint& position) const {
    const QRect grip(position, QSize(std::min(width(), 100), 20));
    const QList<QScreen*> screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(), [&grip](const QScreen* screen) {
        return screen->availableGeometry().contains(grip);
    });
}

QString TMForm::RecordingFileName() const {
    return QString::fromStdString(MOnLineSh->RecordingFileName());
}

void TMForm::FormCreate() {
    // Before the user has mapped COM1..COM4, the devices plugged in are mapped in the order the
    // mapping dialog lists them: the adapter is used rather than a built-in port nothing answers.
    int found = 0;
    session_.OpenSettings([&found] {
        const FirstPortMap map = FirstStartPortMap(ListSerialPorts());
        found = map.found;
        return map;
    });
    const PortPaths paths = session_.Settings().LoadPortPaths();
    if (found > 0) {
        session_.ShowStatusMessage(
            QStringLiteral("Porty přiřazeny podle připojených zařízení: COM1 = %1")
                .arg(QString::fromStdString(paths[0])));
    }
    link_.SetPortPaths(paths);
    MSetupSh->LoadValues(session_.Settings().LoadSetup(), paths);
    // Other pages build file names as directory + separator + name.
    session_.SetWorkingDirectory(QDir::currentPath());
    // The schedule file lives there.
    MShedullerSh->ShedRead(session_.WorkingDirectory());
    MShedullerSh->ShedShow(0);
}

void TMForm::FormActivate() {
    MSetupSh->FormActivate();
}

void TMForm::MSetCommChange(QObject* sender) {
    MSetupSh->MSetCommChange(sender);
}

void TMForm::MSetUseClick(QObject* sender) {
    MSetupSh->MSetUseClick(sender);
}

QString TMForm::Banner() {
    return QStringLiteral(" Merido 1.0 CZ  Obsluha modulu QX na sériové sběrnici");
}

void TMForm::SetCaption(const QString& text) {
    setWindowTitle(text.isEmpty() ? Banner() : text);
}

void TMForm::MSetupShEnter() {
    SetCaption(QString());
}
void TMForm::MOnLineShEnter() {
    SetCaption(RecordingFileName());
}
void TMForm::MShedullerShEnter() {
    SetCaption(QString());
}
void TMForm::MTableShEnter() {
    SetCaption(session_.DataFileName());
}
void TMForm::MGraphShEnter() {
    SetCaption(session_.DataFileName());
}

void TMForm::PageEntered(int index) {
    QWidget* page = MPage->widget(index);
    if (page == MSetupSh) MSetupShEnter();
    if (page == MOnLineSh) MOnLineShEnter();
    if (page == MShedullerSh) MShedullerShEnter();
    if (page == MTableSh) MTableShEnter();
    if (page == MGraphSh) MGraphShEnter();
}

void TMForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    emit session_.RoomChanged(size() - QSize(kClientWidth, kClientHeight));
}

bool TMForm::event(QEvent* event) {
    switch (static_cast<int>(event->type())) {
        case kStationChanged: {
            auto* e = static_cast<LinkEvent*>(event);
            StationChangedMessage(e->WParam(), e->LParam(),
                                  e->Session() != session_.Sink().Session());
            return true;
        }
        case kValueRead: {
            auto* e = static_cast<LinkEvent*>(event);
            ValueMessage(e->WParam(), e->LParam());
            return true;
        }
        case kConfigKnown: {
            auto* e = static_cast<LinkEvent*>(event);
            ConfigKnownMessage(e->WParam(), e->LParam());
            return true;
        }
        default:
            return QMainWindow::event(event);
    }
}

void TMForm::StationChangedMessage(int wParam, int, bool earlierSession) {
    WindowBusy busy(link_);
    const int a = wParam & 0xFF;  // the poller's final notification carries -1: address 255
    const StationRecord station = link_.Station(a);
    // A notification of an earlier Open must not touch the poll list of the new one: it would
    // copy the fresh table's instrument number 0 and so drop the selected address for good.
    if (!earlierSession && link_.PollEntry(a) != station.instrumentNumber) {
        link_.SetPollEntry(a, station.instrumentNumber);
    }
    // The On-line page sets its own buttons and, for the selected address, the status panel;
    // the buttons of the other pages that talk to the module follow the station it read.
    const StationEnables enables = MOnLineSh->StationChanged(a);
    session_.SetBusAvailable(enables.bus);
    emit session_.StationChanged(a);
    // The poller posts for the listed stations when the port's device goes and when it is back.
    const std::string device = link_.PortLost() ? link_.DevicePath() : std::string();
    MOnLineSh->SetPortLost(device);
    if (!device.empty()) MSetupSh->ShowLostPort(device);
}

void TMForm::ValueMessage(int wParam, int lParam) {
    WindowBusy busy(link_);
    MOnLineSh->ValueArrived(wParam & 0xFF, lParam);
    emit session_.ValueRead(wParam, lParam);
}

void TMForm::ConfigKnownMessage(int wParam, int) {
    WindowBusy busy(link_);
    MOnLineSh->ConfigKnown(wParam & 0xFF);
    emit session_.ConfigKnown(wParam);
}

// The settings are applied again whenever the window becomes active after another window of the
// program had the focus (the progress dialog, a message box, the file dialog); coming back from
// another program is not an activation of the window. A drop-down list's popup, a menu or a
// tooltip is part of the window it opens from: were focus passing to it and back an activation,
// every choice made with the mouse would restart the link and be lost.
void TMForm::FocusWindowChanged(QWindow* window) {
    if (window == nullptr || !IsFormWindow(*window)) return;
    QWindow* previous = lastFocus_;
    lastFocus_ = window;
    if (window != windowHandle()) return;
    if (!MSetupSh->Activated() || (previous != nullptr && previous != window)) FormActivate();
}

}  // namespace qx
