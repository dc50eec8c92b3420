// The main window as the program builds it: every page in its sheet with one control per name,
// the routing of the poller's notifications and the station-changed handler's upkeep of the poll
// list, the bus buttons and the status panel — first over fake ports, then polling the simulated
// module over a real pseudo-terminal, where a live value travels to the On-line page and every
// page's buttons run their transactions.

#include <QAbstractFileIconProvider>
#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <thread>

#include "app/ui/qt_translation.h"
#include "common/settings/settings_store.h"
#include "common/ui/control_color.h"
#include "common/ui/dialog_prompt.h"
#include "common/ui/tminfo_form.h"
#include "data/ui/data_view.h"
#include "data/ui/graph_page.h"
#include "data/ui/graph_view.h"
#include "data/ui/table_page.h"
#include "logger/ui/shed_page.h"
#include "logger/ui/tmcfg_form.h"
#include "measure/ui/on_view_widget.h"
#include "measure/ui/online_page.h"
#include "sim/simulator.h"
#include "tests/app/form_fixture.h"
#include "tests/app/mouse_pick.h"
#include "tests/app/whole_window_fixture.h"

// Fontconfig keeps a cache for the life of the process; the leak checker would report it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace qx::test {
namespace {

// The main controls of each sheet, by the sheet's name.
const std::vector<std::pair<const char*, std::vector<const char*>>> kSheetControls{
    {"MSetupSh",
     {"MSetPort", "MSetComm", "MSetBaud", "MSetAddress", "MSetCsum", "MSetUse", "MSetStatus",
      "MSetModul", "MSetConfig", "MSetFind"}},
    {"MOnLineSh",
     {"MOnSelect", "MOnRange", "MOnInput", "MOnClear", "MOnStart", "MOnStop", "MOnPanel"}},
    {"MShedullerSh",
     {"MShedIndex", "MShedParam", "MShedActive", "MShedSelect", "MShedRange", "MShedInput",
      "MShedDate", "MShedTime", "MShedInter", "MShedHigh", "MShedLow", "MShedLimit", "MShedRewrite",
      "MShedAlloff", "MShedSend", "MShedCheck", "MShedClear"}},
    {"MTableSh", {"MTabSelect", "MTabOpen", "MTabReceive", "MTabGrid"}},
    {"MGraphSh", {"MGrSelect", "MGrLupaM", "MGrLupaP", "MGrPanel", "MGrScroll"}},
};

using MainWindowTest = FormTest;

TEST_F(MainWindowTest, PagesAndSetupControlsAsLaidOut) {
    TMForm& form = Form();
    EXPECT_EQ(form.size(), QSize(431, 314));
    ASSERT_EQ(form.MPage->count(), 5);
    const QStringList captions{"Nastavení", "On-line", "Rozvrh", "Tabulka", "Graf"};
    const QStringList names{"MSetupSh", "MOnLineSh", "MShedullerSh", "MTableSh", "MGraphSh"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(form.MPage->tabText(i), captions[i]);
        EXPECT_EQ(form.MPage->widget(i)->objectName(), names[i]);
    }
    EXPECT_EQ(form.MPage->currentIndex(), 0);
    EXPECT_EQ(form.windowTitle(), TMForm::Banner());
    EXPECT_TRUE(TMForm::Banner().startsWith(QStringLiteral(" Merido 1.0 CZ  ")));

    auto* comm = form.findChild<QComboBox*>(QStringLiteral("MSetComm"));
    ASSERT_NE(comm, nullptr);
    EXPECT_EQ(PortItems(), (QStringList{"COM1", "COM2", "COM3", "COM4"}));
    EXPECT_EQ(comm->statusTip(), QStringLiteral("Výběr volného COM portu pro připojení QX"));
    EXPECT_EQ(ControlColor(comm), kAqua);
    auto* baud = form.findChild<QComboBox*>(QStringLiteral("MSetBaud"));
    ASSERT_NE(baud, nullptr);
    EXPECT_EQ(baud->count(), 6);
    EXPECT_EQ(baud->itemText(3), QStringLiteral("9600  Bd"));
    EXPECT_EQ(baud->currentIndex(), 3);
    EXPECT_EQ(ControlColor(baud), kAqua);
    auto* address = form.findChild<QLineEdit*>(QStringLiteral("MSetAddress"));
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(address->maxLength(), 3);
    EXPECT_EQ(address->text(), QStringLiteral("10"));
    EXPECT_EQ(ControlColor(address), kWhite);
    EXPECT_EQ(form.findChild<QCheckBox*>(QStringLiteral("MSetCsum"))->text(),
              QStringLiteral("Checksum."));
    auto* use = form.findChild<QPushButton*>(QStringLiteral("MSetUse"));
    EXPECT_EQ(use->text(), QStringLiteral("Nastav"));
    EXPECT_TRUE(use->isDefault());
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("MSetStatus"))->text(),
              QStringLiteral("  Status:    QX???    WZ???"));
    EXPECT_EQ(form.findChild<QGroupBox*>(QStringLiteral("MSetModul"))->title(),
              QStringLiteral("Rozhraní QX"));
    EXPECT_EQ(form.findChild<QPushButton*>(QStringLiteral("MSetFind"))->text(),
              QStringLiteral("Najdi"));
    EXPECT_EQ(form.findChild<QPushButton*>(QStringLiteral("MSetConfig"))->text(),
              QStringLiteral("Změň"));
    for (const char* name : {"MOnClear", "MOnStart", "MOnStop", "MShedSend", "MShedCheck",
                             "MShedClear", "MTabReceive"}) {
        auto* button = form.findChild<QPushButton*>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_FALSE(button->isEnabled()) << name;
    }
}

TEST_F(MainWindowTest, EveryPageInItsSheetWithOneControlPerName) {
    TMForm& form = Form();
    ASSERT_EQ(form.MPage->count(), 5);
    EXPECT_EQ(form.MPage->widget(1), form.MOnLineSh);
    EXPECT_NE(qobject_cast<OnlinePage*>(form.MPage->widget(1)), nullptr);
    EXPECT_EQ(form.MPage->widget(2), form.MShedullerSh);
    EXPECT_EQ(form.MTableSh->MTabGrid->parentWidget(), form.MTableSh);
    EXPECT_EQ(form.MGraphSh->MGrPanel->parentWidget(), form.MGraphSh);

    for (const auto& [sheetName, controls] : kSheetControls) {
        QWidget* sheet = form.findChild<QWidget*>(QLatin1String(sheetName));
        ASSERT_NE(sheet, nullptr) << sheetName;
        EXPECT_EQ(form.findChildren<QWidget*>(QLatin1String(sheetName)).size(), 1) << sheetName;
        EXPECT_GE(form.MPage->indexOf(sheet), 0) << sheetName;
        for (const char* name : controls) {
            const QList<QWidget*> found = form.findChildren<QWidget*>(QLatin1String(name));
            ASSERT_EQ(found.size(), 1) << name;
            EXPECT_TRUE(sheet->isAncestorOf(found.front())) << name << " outside " << sheetName;
        }
    }
    // The pages' handles are the controls they show and connect.
    const std::vector<std::pair<QPushButton*, const char*>> handles{
        {form.MOnLineSh->MOnClear, "MOnClear"},
        {form.MOnLineSh->MOnStart, "MOnStart"},
        {form.MOnLineSh->MOnStop, "MOnStop"},
        {form.MShedullerSh->MShedSend, "MShedSend"},
        {form.MShedullerSh->MShedCheck, "MShedCheck"},
        {form.MShedullerSh->MShedClear, "MShedClear"},
        {form.MTableSh->MTabReceive, "MTabReceive"}};
    for (const auto& [button, name] : handles) {
        EXPECT_EQ(button, form.findChild<QPushButton*>(QLatin1String(name))) << name;
    }

    // A screen reader (or a test driving the window from outside) finds every edit and list by
    // its label (a list's name is its current item, its label a relation), each page's by a name
    // of its own, and the painted views by a name.
    auto labelOf = [](QWidget* input) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(input);
        const auto labels = a->relations(QAccessible::Label);
        return qobject_cast<QComboBox*>(input) && !labels.isEmpty()
                   ? labels.front().first->text(QAccessible::Name)
                   : a->text(QAccessible::Name);
    };
    for (int page = 0; page < form.MPage->count(); ++page) {
        QStringList seen;
        for (QWidget* input : form.MPage->widget(page)->findChildren<QWidget*>()) {
            if (!qobject_cast<QComboBox*>(input) && !qobject_cast<QLineEdit*>(input)) continue;
            if (qobject_cast<QComboBox*>(input->parentWidget())) continue;  // a list's own edit
            const QString name = labelOf(input);
            EXPECT_FALSE(name.isEmpty() || seen.contains(name))
                << input->objectName().toStdString() << " named '" << name.toStdString() << "'";
            seen << name;
        }
    }
    EXPECT_EQ(labelOf(form.MSetupSh->MSetComm).toStdString(), "Port :");
    for (QWidget* view : {static_cast<QWidget*>(form.MOnLineSh->MOnView),
                          static_cast<QWidget*>(form.MGraphSh->MGrView)}) {
        EXPECT_FALSE(view->accessibleName().isEmpty()) << view->objectName().toStdString();
    }
}

// At the design size nothing about the window is stored; a larger window gives its room to the
// table's grid and comes back at that size.
TEST_F(MainWindowTest, LargerWindowGrowsTheGridAndIsRememberedAtTheNextStart) {
    Form().show();
    QTableView* grid = Form().MTableSh->MTabGrid;
    EXPECT_EQ(grid->geometry(), QRect(4, 40, 290, 230));
    form_.reset();
    EXPECT_FALSE(settings_.Open().contains(QStringLiteral("1.0/Window/Width")));
    EXPECT_FALSE(settings_.Open().contains(QStringLiteral("1.0/Window/X")));

    Form().show();
    Form().resize(631, 414);
    Form().move(40, 30);
    QTest::qWait(0);
    grid = Form().MTableSh->MTabGrid;
    EXPECT_EQ(grid->geometry(), QRect(4, 40, 490, 330));
    EXPECT_EQ(Form().MTableSh->MTabOpen->pos(), QPoint(500, 40));
    form_.reset();
    EXPECT_EQ(settings_.Open().value(QStringLiteral("1.0/Window/Width")).toInt(), 631);
    EXPECT_EQ(Form().size(), QSize(631, 414));
    EXPECT_EQ(Form().pos(), QPoint(40, 30));
    // A position on no screen (one unplugged since) is not restored.
    form_.reset();
    settings_.Open().setValue(QStringLiteral("1.0/Window/X"), 9000);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(QRect(Form().pos(), QSize(100, 20))));
}

TEST_F(MainWindowTest, PageEnterShowsTheFileOfThePage) {
    TMForm& form = Form();
    QTemporaryDir dir;
    const QString recording = dir.filePath(QStringLiteral("zaznam.PRN"));
    prompt_.QueueFile(recording);
    form.MOnLineSh->MOnStartClick();
    EXPECT_EQ(form.windowTitle(), recording);  // the recording names its file at once
    form.MPage->setCurrentIndex(2);
    EXPECT_EQ(form.windowTitle(), TMForm::Banner());
    form.Shared().SetDataFileName(QStringLiteral("/tmp/data.PRN"));
    form.MPage->setCurrentIndex(1);
    EXPECT_EQ(form.windowTitle(), recording);
    form.MOnLineSh->MOnStopClick();
    EXPECT_EQ(form.windowTitle(), TMForm::Banner());
    form.MPage->setCurrentIndex(2);
    EXPECT_EQ(form.windowTitle(), TMForm::Banner());
    form.MPage->setCurrentIndex(3);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("/tmp/data.PRN"));
    form.Shared().SetDataFileName(QString());
    form.MPage->setCurrentIndex(4);
    EXPECT_EQ(form.windowTitle(), TMForm::Banner());
}

TEST_F(MainWindowTest, StationChangedSetsButtonsFromTheStationState) {
    Present({0});
    TMForm& form = Form();
    form.FormActivate();
    link_.Close();  // the handler is driven by hand; no poller changes the table meanwhile
    const int a = form.SelectedAddress();
    ASSERT_EQ(a, 10);

    StationRecord station;
    station.state = 2;
    station.moduleModel = 1102;
    station.instrumentModel = 1520;
    station.instrumentNumber = 4711;
    link_.SetStation(a, station);
    link_.SetPollEntry(a, -1);
    form.StationChangedMessage(a, 0);
    for (QPushButton* b : BusButtons())
        EXPECT_TRUE(b->isEnabled());
    EXPECT_TRUE(form.MOnLineSh->MOnClear->isEnabled());
    EXPECT_TRUE(form.MOnLineSh->MOnStart->isEnabled());
    EXPECT_EQ(link_.PollEntry(a), 4711);
    EXPECT_EQ(SetupSh().MSetStatus->text(), QStringLiteral("  Status:    QX102    WZ520"));

    station.state = 1;
    link_.SetStation(a, station);
    form.StationChangedMessage(a, 0);
    for (QPushButton* b : BusButtons())
        EXPECT_TRUE(b->isEnabled());
    EXPECT_FALSE(form.MOnLineSh->MOnClear->isEnabled());
    EXPECT_FALSE(form.MOnLineSh->MOnStart->isEnabled());
    EXPECT_EQ(SetupSh().MSetStatus->text(), QStringLiteral("  Status:    QX102    WZ???"));

    // While recording, the recording owns MOnStart.
    station.state = 2;
    link_.SetStation(a, station);
    QTemporaryDir dir;
    prompt_.QueueFile(dir.filePath(QStringLiteral("x.PRN")));
    form.MOnLineSh->MOnStartClick();
    ASSERT_FALSE(form.RecordingFileName().isEmpty());
    form.StationChangedMessage(a, 0);
    EXPECT_FALSE(form.MOnLineSh->MOnStart->isEnabled());
    form.MOnLineSh->MOnStopClick();
    EXPECT_TRUE(form.MOnLineSh->MOnStart->isEnabled());

    // Another address acts on the buttons too, but leaves the status panel alone.
    form.StationChangedMessage(a, 0);
    form.StationChangedMessage(a + 1, 0);
    for (QPushButton* b : BusButtons())
        EXPECT_FALSE(b->isEnabled());
    EXPECT_FALSE(form.MOnLineSh->MOnClear->isEnabled());
    EXPECT_EQ(SetupSh().MSetStatus->text(), QStringLiteral("  Status:    QX102    WZ520"));

    // The poller's final notification (-1) acts on address 255.
    form.StationChangedMessage(a, 0);
    StationRecord last;
    last.state = 1;
    link_.SetStation(255, last);
    form.StationChangedMessage(-1, 0);
    for (QPushButton* b : BusButtons())
        EXPECT_TRUE(b->isEnabled());
    EXPECT_FALSE(form.MOnLineSh->MOnClear->isEnabled());
    link_.SetStation(255, StationRecord{});
    form.StationChangedMessage(-1, 0);
    for (QPushButton* b : BusButtons())
        EXPECT_FALSE(b->isEnabled());
}

// Records what a page sees of the notifications through the session.
struct SeenNotification {
    int message, a, t;
    bool idle;
    bool operator==(const SeenNotification&) const = default;
};

TEST_F(MainWindowTest, PostedNotificationsReachTheirHandlersInOrder) {
    TMForm& form = Form();
    std::vector<SeenNotification> seen;
    QObject page;
    Session& session = form.Shared();
    QObject::connect(&session, &Session::StationChanged, &page, [&](int a) {
        seen.push_back({1424, a, 0, link_.WindowIdle()});
    });
    QObject::connect(&session, &Session::ValueRead, &page, [&](int a, int t) {
        seen.push_back({1425, a, t, link_.WindowIdle()});
    });
    QObject::connect(&session, &Session::ConfigKnown, &page, [&](int a) {
        seen.push_back({1426, a, 0, link_.WindowIdle()});
    });
    std::thread poller([&] {
        form.Shared().Sink().Post(kStationChanged, 3, 0);
        form.Shared().Sink().Post(kValueRead, 3, 360005);
        form.Shared().Sink().Post(kConfigKnown, 3, 0);
    });
    poller.join();
    EXPECT_TRUE(seen.empty());  // posted, not sent
    ASSERT_TRUE(WaitFor([&] { return seen.size() == 3; }));
    const std::vector<SeenNotification> expected{
        {1424, 3, 0, false}, {1425, 3, 360005, false}, {1426, 3, 0, false}};
    EXPECT_EQ(seen, expected);  // the window-idle flag is clear inside every handler
    EXPECT_TRUE(link_.WindowIdle());
}

TEST_F(MainWindowTest, NotificationOfAnEarlierOpenLeavesThePollListAlone) {
    Present({0});
    TMForm& form = Form();
    form.FormActivate();
    const int a = form.SelectedAddress();
    // Posted by the poller of the previous Open, handled only after the link was reopened.
    link_.Close();
    form.Shared().Sink().Post(kStationChanged, a, 0);
    form.MSetUseClick(nullptr);
    ASSERT_EQ(link_.PollEntry(a), -1);
    QCoreApplication::sendPostedEvents(&form);
    EXPECT_EQ(link_.PollEntry(a), -1);
    link_.Close();
}

TEST_F(MainWindowTest, ComMapDefaultsWhereMissingOrEmpty) {
    QSettings store = settings_.Open();
    store.remove(QStringLiteral("1.0/Ports/COM2"));
    store.setValue(QStringLiteral("1.0/Ports/COM3"), QString());
    store.sync();
    Form();
    const PortPaths paths = link_.PortPathsCopy();
    EXPECT_EQ(paths[0], FakePath(0));
    EXPECT_EQ(paths[1], "/dev/ttyS1");
    EXPECT_EQ(paths[2], "/dev/ttyS2");
    EXPECT_EQ(settings_.Open().value(QStringLiteral("1.0/Ports/COM2")).toString(),
              QStringLiteral("/dev/ttyS1"));

    // The devices found at the first start are mapped only while no mapping is stored at all,
    // and then COM1, where the first of them went, is the port to use.
    int asked = 0;
    auto found = [&asked] {
        ++asked;
        return FirstPortMap{{"/dev/ttyUSB0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"}, 1};
    };
    EXPECT_FALSE(SettingsStore().MapPortsOnFirstStart(found));
    EXPECT_EQ(asked, 0);
    store.remove(QStringLiteral("1.0/Ports"));
    store.remove(QStringLiteral("1.0/Setup"));
    store.sync();
    EXPECT_TRUE(SettingsStore().MapPortsOnFirstStart(found));
    EXPECT_EQ(SettingsStore().LoadPortPaths()[0], "/dev/ttyUSB0");
    EXPECT_EQ(SettingsStore().LoadSetup().port, 0);
    EXPECT_FALSE(SettingsStore().MapPortsOnFirstStart(found));
    EXPECT_EQ(asked, 1);
}

// Qt's own file dialog speaks Czech, is titled by what it does, offers the program's files and
// all files, and leaves the question about an existing file to the program: its name typed and
// confirmed with Enter is taken at once. Opened while a long operation's progress dialog shows,
// it belongs to that dialog, so it stands above it rather than beneath.
TEST(DialogPromptTest, SaveDialogInCzechTakesAnExistingFileWithoutItsOwnQuestion) {
    ASSERT_TRUE(InstallQtCzech(TestApp()));
    TMInfoForm info;
    info.Open(QStringLiteral("Čtení záznamů z QX"), 10);
    QTemporaryDir dir;
    QFile existing(dir.filePath(QStringLiteral("old.PRN")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    QStringList texts;
    QStringList filters;
    QString title;
    const QWidget* parent = nullptr;
    bool asked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        title = dialog->windowTitle();
        parent = dialog->parentWidget();
        for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
            texts << button->text();
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            texts << label->text();
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        QTest::keyClicks(name, QStringLiteral("old.PRN"));
        // A question of the dialog's own would open here; note it and let the test end.
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked = true;
                box->done(QMessageBox::No);
                dialog->reject();
            }
        });
        QTest::keyClick(name, Qt::Key_Return);
    });
    DialogPrompt prompt;
    const QString chosen =
        prompt.ChooseFile(nullptr, DataFileChoice(FileChoice::Mode::Save, dir.path() + "/"));
    EXPECT_FALSE(asked);
    EXPECT_EQ(chosen, existing.fileName());
    EXPECT_EQ(filters, (QStringList{"Soubor hodnot (*.PRN *.WZ)", "Všechny soubory (*)"}));
    EXPECT_EQ(title, QStringLiteral("Uložit soubor"));
    EXPECT_EQ(parent, &info);
    info.MCancelClick();
    EXPECT_EQ(PromptParent(nullptr), nullptr);
    EXPECT_TRUE(texts.contains(QStringLiteral("&Uložit"))) << texts.join('|').toStdString();
    for (const char* english : {"Save", "Cancel", "Look in", "File name", "Files of type"}) {
        EXPECT_FALSE(texts.join('|').contains(QLatin1String(english))) << english;
    }
    EXPECT_EQ(QAbstractFileIconProvider().type(QFileInfo(dir.path())), QStringLiteral("Složka"));
}

using WholeFormTest = WholeWindowFixture;

std::vector<std::string> ViewTexts(OnlinePage& page) {
    std::vector<std::string> texts;
    const DisplayList list = page.MOnView->Build();
    for (const DisplayItem& item : list.Items()) {
        if (item.kind == DisplayItem::Kind::Text) texts.push_back(item.text.text);
    }
    return texts;
}

// The live value's text: the view's one text in the large font.
std::string LiveText(OnlinePage& page) {
    const DisplayList list = page.MOnView->Build();
    for (const DisplayItem& item : list.Items()) {
        if (item.kind == DisplayItem::Kind::Text && item.text.font.size == 20)
            return item.text.text;
    }
    return {};
}

bool AnyContains(const std::vector<std::string>& texts, const std::string& part) {
    for (const std::string& text : texts) {
        if (text.find(part) != std::string::npos) return true;
    }
    return false;
}

TEST_F(WholeFormTest, ScheduleFileIsReadAtStartAndWrittenAtExit) {
    TMForm& form = Build();
    ShedPage& page = *logger_;
    EXPECT_TRUE(page.MShedDate->isEnabled());  // the table is loaded (defaults: no file yet)
    page.MShedHigh->setText(QStringLiteral("+1234"));
    page.MShedRewrite->setChecked(true);
    (void)form;
    form_.reset();  // exit
    const QString file = workDir_.filePath(QStringLiteral("ROZVRH.QX"));
    ASSERT_TRUE(QFile::exists(file));

    // The next start shows what the last one left in the shown entry.
    TMForm& again = Build();
    (void)again;
    EXPECT_EQ(logger_->MShedHigh->text(), QStringLiteral("+1234"));
    EXPECT_TRUE(logger_->MShedRewrite->isChecked());
    EXPECT_EQ(prompt_.MessageCount(), 0) << LastMessage();
}

TEST_F(WholeFormTest, ScheduleInputListFollowsTheModelsInUse) {
    TMForm& form = Build();
    QComboBox* input = logger_->MShedInput;
    ASSERT_EQ(logger_->MShedSelect->currentIndex(), 0);  // current: inputs by model
    const int reduced = input->count();
    // The station in use turns out to be a pair with the full input set.
    form.Shared().Models().SetModuleModel(1102);
    form.Shared().Models().SetInstrumentModel(1520);
    emit form.MOnLineSh->InputSetChanged();
    EXPECT_GT(input->count(), reduced);
}

TEST_F(WholeFormTest, LiveValueOfTheSimulatedModuleReachesTheOnlinePageAndTheStatus) {
    ASSERT_TRUE(started_);
    ASSERT_TRUE(simulator_.SetFixedValue(10, 1.0));
    TMForm& form = Build();
    form.FormActivate();
    ASSERT_TRUE(link_.IsOpen());
    OnlinePage& online = *form.MOnLineSh;
    ASSERT_TRUE(WaitFor([&] { return AnyContains(ViewTexts(online), "1.000"); }, 10000))
        << ::testing::PrintToString(ViewTexts(online));
    // The instrument reads another value: the next notification shows it.
    ASSERT_TRUE(simulator_.SetFixedValue(10, 2.0));
    ASSERT_TRUE(WaitFor([&] { return AnyContains(ViewTexts(online), "2.000"); }, 10000))
        << ::testing::PrintToString(ViewTexts(online));
    // The configuration became known: the lists are filled and the status panel names both.
    EXPECT_TRUE(WaitFor([&] { return online.MOnSelect->isEnabled(); }));
    EXPECT_GT(online.MOnSelect->count(), 0);
    EXPECT_EQ(form.MSetupSh->MSetStatus->text(), QStringLiteral("  Status:    QX102    WZ520"));
    EXPECT_TRUE(form.MOnLineSh->MOnClear->isEnabled());
    EXPECT_TRUE(form.MShedullerSh->MShedSend->isEnabled());
    EXPECT_TRUE(form.MTableSh->MTabReceive->isEnabled());
    EXPECT_EQ(prompt_.MessageCount(), 0) << LastMessage();
    // The first activation found the one port there is.
    ASSERT_EQ(form.MSetupSh->MSetComm->count(), 1);
    EXPECT_EQ(form.MSetupSh->MSetComm->currentText(), QStringLiteral("COM1"));
    // The instrument number replaced the -1 of the Use action in the poll list.
    EXPECT_EQ(link_.PollEntry(10), 12345678);

    // The instrument is unplugged: the station drops to state 1.
    QLabel* status = form.MSetupSh->MSetStatus;
    simulator_.SetInstrumentAttached(10, false);
    ASSERT_TRUE(WaitFor([&] { return status->text().contains(QStringLiteral("WZ???")); }));
    EXPECT_TRUE(status->text().contains(QStringLiteral("QX102")));
    EXPECT_FALSE(form.MOnLineSh->MOnClear->isEnabled());

    // The module falls silent: the station is reset and the bus buttons go off.
    simulator_.SetSilent(true);
    ASSERT_TRUE(WaitFor([&] { return !form.MShedullerSh->MShedSend->isEnabled(); }));
    EXPECT_FALSE(form.MTableSh->MTabReceive->isEnabled());
    EXPECT_EQ(status->text(), QStringLiteral("  Status:    QX???    WZ???"));
}

// Every list of every page keeps a choice made with the mouse. The popup takes the focus and gives
// it back; were that an activation of the window, the link would restart and the choice be lost.
// A choice on the On-line page goes to the module as a configuration command in place of a value
// read; once the module reports the new byte, values are read again.
TEST_F(WholeFormTest, EveryListKeepsAChoiceMadeWithTheMouse) {
    ASSERT_TRUE(started_);
    // COM3 leads to the same module, so that the port list offers a second port.
    settings_.Open().setValue(QStringLiteral("1.0/Ports/COM3"),
                              QString::fromStdString(simulator_.SlavePath()));
    TMForm& form = Build();
    data_->SetPause([](int) {});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));  // the first activation opens the link
    OnlinePage& online = *form.MOnLineSh;
    ASSERT_TRUE(WaitFor([&] { return online.MOnRange->isEnabled(); }, 10000));
    auto openPage = [&](QWidget* page) {
        QTabBar* tabs = form.MPage->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {},
                          tabs->tabRect(form.MPage->indexOf(page)).center());
        ASSERT_EQ(form.MPage->currentWidget(), page);
    };

    SetupPage& setup = *form.MSetupSh;
    ASSERT_TRUE(PickWithMouse(setup.MSetComm, QStringLiteral("COM3")));
    ASSERT_TRUE(PickWithMouse(setup.MSetBaud, QStringLiteral("19200")));
    ASSERT_TRUE(PickWithMouse(setup.MSetBaud, QStringLiteral("9600")));
    EXPECT_EQ(setup.MSetComm->currentText().toStdString(), "COM3");
    EXPECT_EQ(setup.MSetBaud->currentText().toStdString(), "9600  Bd");
    QTest::mouseClick(setup.MSetUse, Qt::LeftButton);
    EXPECT_EQ(setup.PortNumber(), 2);
    ASSERT_TRUE(link_.IsOpen());
    ASSERT_TRUE(WaitFor([&] { return online.MOnRange->isEnabled(); }, 10000));

    openPage(&online);
    auto configSent = [&](int config) {
        const std::string command = QString::asprintf("%%0A0A%02X", config).toStdString();
        for (const sim::WireFrame& frame : simulator_.Record().Frames()) {
            if (!frame.fromModule && frame.bytes.rfind(command, 0) == 0) return true;
        }
        return false;
    };
    const std::vector<std::pair<QComboBox*, QString>> onlineChoices{
        {online.MOnSelect, QStringLiteral("Napětí")},
        {online.MOnRange, QStringLiteral("AUTO")},
        {online.MOnInput, QString()}};  // the input after the current one
    for (const auto& [list, item] : onlineChoices) {
        const int index = item.isEmpty() ? (list->currentIndex() + 1) % list->count()
                                         : list->findText(item, Qt::MatchStartsWith);
        const QString text = list->itemText(index);
        ASSERT_TRUE(PickWithMouse(list, index)) << list->objectName().toStdString();
        const int wanted = link_.Station(10).config;
        EXPECT_TRUE(WaitFor([&] { return configSent(wanted); }, 10000))
            << list->objectName().toStdString() << " " << wanted;
        ASSERT_TRUE(
            WaitFor([&] { return simulator_.FindModule(10)->Settings().config == wanted; }, 10000));
        EXPECT_EQ(list->currentText().toStdString(), text.toStdString());
    }
    const std::size_t asked = simulator_.Record().RequestCount();
    EXPECT_TRUE(WaitFor(
        [&] {
            return simulator_.Record().RequestCount() > asked && link_.Station(10).value < kNoValue;
        },
        10000));

    openPage(form.MShedullerSh);
    ShedPage& shed = *logger_;
    for (QComboBox* list : {shed.MShedSelect, shed.MShedRange, shed.MShedInput}) {
        const int index = (list->currentIndex() + 1) % list->count();
        const QString text = list->itemText(index);
        ASSERT_TRUE(PickWithMouse(list, index)) << list->objectName().toStdString();
        EXPECT_EQ(list->currentText(), text) << list->objectName().toStdString();
    }

    // Three records of quantity 1 come down into a file; the table and the graph follow one list.
    ASSERT_TRUE(simulator_.PrefillQueue(10, 3, 0x10));
    openPage(form.MTableSh);
    prompt_.QueueFile(workDir_.filePath(QStringLiteral("q.PRN")));
    QTest::mouseClick(form.MTableSh->MTabReceive, Qt::LeftButton);
    ASSERT_TRUE(form.MTableSh->MTabSelect->isEnabled());
    ASSERT_TRUE(PickWithMouse(form.MTableSh->MTabSelect, 1));
    EXPECT_EQ(form.MGraphSh->MGrSelect->currentIndex(), 1);
    EXPECT_EQ(form.MTableSh->MTabGrid->model()->rowCount(), 3);
    openPage(form.MGraphSh);
    ASSERT_TRUE(PickWithMouse(form.MGraphSh->MGrSelect, 0));
    EXPECT_EQ(form.MTableSh->MTabSelect->currentIndex(), 0);
    EXPECT_EQ(form.MTableSh->MTabGrid->model()->rowCount(), 0);
    EXPECT_EQ(prompt_.MessageCount(), 0) << LastMessage();
}

TEST_F(WholeFormTest, ModuleButtonsRunTheirTransactionsAndLeaveThePollerRunning) {
    ASSERT_TRUE(started_);
    TMForm& form = Build();
    form.FormActivate();
    ASSERT_TRUE(WaitFor([&] { return form.MShedullerSh->MShedClear->isEnabled(); }));

    ASSERT_TRUE(simulator_.PrefillQueue(10, 5, -1));
    form.MShedullerSh->MShedClear->click();
    EXPECT_TRUE(simulator_.FindModule(10)->Log().Queue().empty());
    EXPECT_TRUE(info_->Lines().contains(QStringLiteral("Celkem  5  záznamů nulováno")))
        << info_->Lines().join(QLatin1Char('|')).toStdString();

    // The shown entry goes out with the schedule-wide rewrite flag.
    logger_->MShedRewrite->setChecked(true);
    form.MShedullerSh->MShedSend->click();
    EXPECT_EQ(simulator_.FindModule(10)->Log().Rewrite(), 0x80);
    EXPECT_TRUE(QFile::exists(workDir_.filePath(QStringLiteral("ROZVRH.LOG"))));
    form.MShedullerSh->MShedCheck->click();
    EXPECT_EQ(prompt_.MessageCount(), 0) << LastMessage();
    EXPECT_FALSE(form.Shared().Bus().Busy());

    // The poller was released: a new reading still arrives.
    ASSERT_TRUE(simulator_.SetFixedValue(10, 3.0));
    EXPECT_TRUE(WaitFor([&] { return AnyContains(ViewTexts(*form.MOnLineSh), "3.000"); }, 10000));
}

TEST_F(WholeFormTest, SetupModuleButtonsReachTheFindAndTheReconfiguration) {
    ASSERT_TRUE(started_);
    TMForm& form = Build();
    // Without an open link the reconfiguration refuses before its dialog.
    form.MSetupSh->MSetConfig->click();
    ASSERT_EQ(prompt_.MessageCount(), 1);
    EXPECT_EQ(prompt_.Log().back().caption, QStringLiteral("TMForm::MSetConfigClick()"));

    form.FormActivate();
    ASSERT_TRUE(link_.IsOpen());
    // The user cancels the quick find at once: the settings of the Setup page are applied again.
    QTimer::singleShot(0, info_, [this] { info_->MCancelClick(); });
    form.MSetupSh->MSetFind->click();
    const QStringList lines = info_->Lines();
    EXPECT_EQ(lines.value(0), QStringLiteral("BAUD = 9600, CSUM = OFF:"));  // the page's settings
    EXPECT_EQ(lines.value(lines.size() - 1), QStringLiteral("KONEC"));
    EXPECT_TRUE(link_.IsOpen());
    EXPECT_EQ(link_.BaudCode(), 6);
    EXPECT_EQ(link_.PollEntry(10), -1);
    EXPECT_FALSE(form.Shared().Bus().Busy());
    EXPECT_EQ(prompt_.MessageCount(), 1);
}

// An unplugged adapter: both status texts name the device while it is gone, the bus buttons are
// off, and once it is back the module is polled again without a click.
TEST_F(WholeFormTest, LostPortIsNamedAndPolledAgainOnceBack) {
    ASSERT_TRUE(started_);
    TMForm& form = Build();
    form.FormActivate();
    const QString known = QStringLiteral("  Status:    QX102    WZ520");
    ASSERT_TRUE(WaitFor([&] { return form.MSetupSh->MSetStatus->text() == known; }, 10000));
    ASSERT_TRUE(WaitFor([&] { return LiveText(*form.MOnLineSh) != "(?)"; }, 10000));
    ASSERT_TRUE(simulator_.HangUp(false));
    const QString device = QString::fromStdString(link_.DevicePath());
    // The state first, whole; the device as far as the panel has room, whole in the tooltip.
    const QString lost = QStringLiteral("  Status:    odpojeno, čeká se na připojení");
    EXPECT_TRUE(WaitFor([&] { return form.MSetupSh->MSetStatus->text().startsWith(lost); }));
    EXPECT_EQ(form.MSetupSh->MSetStatus->toolTip(), lost + QStringLiteral(": ") + device);
    EXPECT_LE(form.MSetupSh->MSetStatus->fontMetrics().horizontalAdvance(
                  form.MSetupSh->MSetStatus->text()),
              form.MSetupSh->MSetStatus->contentsRect().width());
    EXPECT_TRUE(AnyContains(ViewTexts(*form.MOnLineSh), "odpojeno, čeká se na připojení"));
    EXPECT_EQ(LiveText(*form.MOnLineSh), "(?)");
    EXPECT_FALSE(form.MShedullerSh->MShedSend->isEnabled());
    ASSERT_TRUE(simulator_.HangUp(true));
    EXPECT_TRUE(WaitFor([&] { return form.MSetupSh->MSetStatus->text() == known; }, 10000));
    EXPECT_TRUE(WaitFor([&] { return form.MShedullerSh->MShedSend->isEnabled(); }));
    EXPECT_TRUE(WaitFor([&] { return LiveText(*form.MOnLineSh) != "(?)"; }, 10000));
    EXPECT_EQ(prompt_.MessageCount(), 0) << LastMessage();
}

}  // namespace
}  // namespace qx::test
