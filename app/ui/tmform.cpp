#include "app/ui/tmform.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QWindow>

#include "app/ui/form_page.h"
#include "app/ui/link_event.h"
#include "app/ui/setup_page.h"
#include "link/core/notification_sink.h"

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
    MOnLineSh = AddSheet("MOnLineSh", QStringLiteral("On-line"));
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

void TMForm::BuildBusButtons() {
    MOnClear =
        BusButton(MOnLineSh, "MOnClear", QStringLiteral("Start Min, Avg, Max"),
                  QStringLiteral("Inicializace Min, Avg a Max statistik"), QRect(290, 8, 125, 26));
    MOnStart = BusButton(MOnLineSh, "MOnStart", QStringLiteral("Soubor:  Start  >>"),
                         QStringLiteral("Spustí ukládání dat do souboru"), QRect(290, 40, 125, 26));
    MOnStop = BusButton(MOnLineSh, "MOnStop", QStringLiteral("Soubor:  Stop  >|"),
                        QStringLiteral("Ukončí ukládání dat do souboru"), QRect(290, 72, 125, 26));
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
    SetCaption(recordingFileName_);
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
    const bool s2 = station.state == 2;
    MOnClear->setEnabled(s2);
    if (recordingFileName_.isEmpty()) MOnStart->setEnabled(s2);
    const bool s1 = station.state != 0;
    for (QPushButton* button : {MTabReceive, MShedSend, MShedCheck, MShedClear}) {
        button->setEnabled(s1);
    }
    for (FormPage* page : pages_)
        page->StationChanged(a);
    MSetupSh->UpdateStatus(a);
}

void TMForm::ValueMessage(int wParam, int lParam) {
    WindowBusy busy(link_);
    for (FormPage* page : pages_)
        page->ValueRead(wParam, lParam);
}

void TMForm::ConfigKnownMessage(int wParam, int) {
    WindowBusy busy(link_);
    for (FormPage* page : pages_)
        page->ConfigKnown(wParam);
}

// The settings are applied again whenever the window becomes active after another window of the
// program had the focus (the progress dialog, a message box); coming back from another program
// is not an activation of the window.
void TMForm::FocusWindowChanged(QWindow* window) {
    if (window == nullptr) return;
    QWindow* previous = lastFocus_;
    lastFocus_ = window;
    if (window != windowHandle()) return;
    if (!MSetupSh->Activated() || (previous != nullptr && previous != window)) FormActivate();
}

}  // namespace qx
