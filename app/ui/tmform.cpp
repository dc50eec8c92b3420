#include "app/ui/tmform.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QWindow>

#include "app/ui/setup_page.h"
#include "common/core/local_time.h"
#include "common/ui/form_page.h"
#include "common/ui/link_event.h"
#include "common/ui/prompt.h"
#include "link/core/notification_sink.h"
#include "measure/core/station_status.h"
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

QPushButton* BusButton(QWidget* page, const char* name, const QString& caption, const QString& hint,
                       const QRect& geometry) {
    auto* button = new QPushButton(caption, page);
    button->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) {
        button->setToolTip(hint);
        button->setStatusTip(hint);
    }
    button->setGeometry(geometry);
    button->setEnabled(false);
    return button;
}

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
    : QMainWindow(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), link_(link), sink_(this) {
    setObjectName(QStringLiteral("MForm"));
    setFixedSize(kClientWidth, kClientHeight);
    // The pages are laid out in pixels for a small dialog font.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    MPage = new QTabWidget(this);
    MPage->setObjectName(QStringLiteral("MPage"));
    setCentralWidget(MPage);
    MSetupSh = new SetupPage(*this, MPage);
    MPage->addTab(MSetupSh, QStringLiteral("Nastavení"));
    BuildOnlinePage();
    MShedullerSh = AddSheet("MShedullerSh", QStringLiteral("Rozvrh"));
    MTableSh = AddSheet("MTableSh", QStringLiteral("Tabulka"));
    MGraphSh = AddSheet("MGraphSh", QStringLiteral("Graf"));
    MPage->setCurrentWidget(MSetupSh);
    BuildBusButtons();
    connect(MPage, &QTabWidget::currentChanged, this, &TMForm::PageEntered);

    // Hints of the control under the mouse arrive as status tips and show in the status bar.
    MStatusBar = new QStatusBar(this);
    MStatusBar->setObjectName(QStringLiteral("MStatusBar"));
    MStatusBar->setSizeGripEnabled(false);
    setStatusBar(MStatusBar);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &TMForm::FocusWindowChanged);
    FormCreate();
    SetCaption(QString());
}

TMForm::~TMForm() {
    settings_->SaveSetup(MSetupSh->CurrentValues());
    for (FormPage* page : pages_)
        page->FormClosing();
    settings_.reset();
    link_.Close();
}

QWidget* TMForm::AddSheet(const char* name, const QString& caption) {
    auto* sheet = new QWidget(MPage);
    sheet->setObjectName(QString::fromLatin1(name));
    MPage->addTab(sheet, caption);
    return sheet;
}

void TMForm::BuildOnlinePage() {
    // The lists write the station's configuration byte under the station lock; the poller
    // sends it at its next visit.
    StationAccess access{[this](int a) { return link_.Station(a); },
                         [this](int a, int config, bool clearValue) {
                             link_.UpdateStation(a, [&](StationRecord& station) {
                                 station.config = config;
                                 if (clearValue) station.value = kNoValue;
                             });
                         }};
    // The recording creates the chosen file anew, so the dialog lets the user name a new file;
    // an existing one is replaced without a question.
    RecordingPrompts prompts{[this] {
                                 const FileChoice choice = DataFileChoice(FileChoice::Mode::Save);
                                 return Prompts().ChooseFile(this, choice).toStdString();
                             },
                             [this](const std::string& text, const std::string& caption) {
                                 Prompts().Message(this, QString::fromStdString(text),
                                                   QString::fromStdString(caption));
                             }};
    MOnLineSh =
        new TOnlinePage(&models_, std::move(access), std::move(prompts), SystemLocalTime, MPage);
    MPage->addTab(MOnLineSh, QStringLiteral("On-line"));
    MOnClear = MOnLineSh->MOnClear;
    MOnStart = MOnLineSh->MOnStart;
    MOnStop = MOnLineSh->MOnStop;
    connect(MOnLineSh, &TOnlinePage::SetupStatusChanged, MSetupSh->MSetStatus, &QLabel::setText);
    connect(MOnLineSh, &TOnlinePage::CaptionChanged, this, &TMForm::SetCaption);
}

QString TMForm::RecordingFileName() const {
    return QString::fromStdString(MOnLineSh->RecordingFileName());
}

void TMForm::BuildBusButtons() {
    MShedSend =
        BusButton(MShedullerSh, "MShedSend", QStringLiteral("Odeslat"),
                  QStringLiteral("Odešle parametry sběru dat do QX"), QRect(300, 8, 115, 26));
    MShedCheck = BusButton(MShedullerSh, "MShedCheck", QStringLiteral("Zkontrolovat"),
                           QStringLiteral("Zkontroluje nastavení parametrů pro sběr dat v QX"),
                           QRect(300, 40, 115, 26));
    MShedClear =
        BusButton(MShedullerSh, "MShedClear", QStringLiteral("Nulovat frontu"),
                  QStringLiteral("Nuluje všechny záznamy ve frontě QX"), QRect(300, 72, 115, 26));
    MTabReceive = BusButton(MTableSh, "MTabReceive", QStringLiteral("Načíst z modulu"), QString(),
                            QRect(300, 8, 115, 26));
}

void TMForm::FormCreate() {
    settings_ = std::make_unique<SettingsStore>();
    settings_->WriteDefaults();
    const PortPaths paths = settings_->LoadPortPaths();
    link_.SetPortPaths(paths);
    MSetupSh->LoadValues(settings_->LoadSetup(), paths);
    // Other pages build file names as directory + separator + name.
    workingDirectory_ = QDir::currentPath();
    if (workingDirectory_.endsWith(QLatin1Char('/'))) workingDirectory_.chop(1);
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

int TMForm::SelectedAddress() const {
    return MSetupSh->SelectedAddress();
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
    SetCaption(dataFileName_);
}
void TMForm::MGraphShEnter() {
    SetCaption(dataFileName_);
}

void TMForm::PageEntered(int index) {
    QWidget* page = MPage->widget(index);
    if (page == MSetupSh) MSetupShEnter();
    if (page == MOnLineSh) MOnLineShEnter();
    if (page == MShedullerSh) MShedullerShEnter();
    if (page == MTableSh) MTableShEnter();
    if (page == MGraphSh) MGraphShEnter();
}

void TMForm::AddPage(FormPage* page) {
    pages_.push_back(page);
}

void TMForm::RemovePage(FormPage* page) {
    std::erase(pages_, page);
}

void TMForm::DisableBusActions() {
    for (QPushButton* button : {MShedSend, MShedCheck, MShedClear, MTabReceive}) {
        button->setEnabled(false);
    }
}

void TMForm::RepaintOnView() {
    // Called after every Use: the On-line page follows the address the Setup page selected.
    MOnLineSh->SetSelectedAddress(SelectedAddress());
    MOnLineSh->update();
    for (FormPage* page : pages_)
        page->RepaintView();
}

bool TMForm::event(QEvent* event) {
    switch (static_cast<int>(event->type())) {
        case kStationChanged: {
            auto* e = static_cast<LinkEvent*>(event);
            StationChangedMessage(e->WParam(), e->LParam(), e->Session() != sink_.Session());
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
    // The On-line page sets its own buttons and, for the selected address, the status panel.
    const StationEnables enables = MOnLineSh->StationChanged(a);
    for (QPushButton* button : {MTabReceive, MShedSend, MShedCheck, MShedClear}) {
        button->setEnabled(enables.bus);
    }
    for (FormPage* page : pages_)
        page->StationChanged(a);
    // The poller posts for the listed stations when the port's device goes and when it is back.
    const std::string device = link_.PortLost() ? link_.DevicePath() : std::string();
    MOnLineSh->SetPortLost(device.empty() ? std::string() : LostPortStatusText(device));
    if (!device.empty())
        MSetupSh->MSetStatus->setText(QString::fromStdString(LostPortCaption(device)));
}

void TMForm::ValueMessage(int wParam, int lParam) {
    WindowBusy busy(link_);
    MOnLineSh->ValueArrived(wParam & 0xFF, lParam);
    for (FormPage* page : pages_)
        page->ValueRead(wParam, lParam);
}

void TMForm::ConfigKnownMessage(int wParam, int) {
    WindowBusy busy(link_);
    MOnLineSh->ConfigKnown(wParam & 0xFF);
    for (FormPage* page : pages_)
        page->ConfigKnown(wParam);
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
