// The main window: its pages and controls, the routing of the poller's notifications and the
// station-changed handler's upkeep of the poll list, the bus buttons and the status panel.

#include <QAbstractFileIconProvider>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <thread>

#include "app/ui/qt_translation.h"
#include "common/ui/control_color.h"
#include "common/ui/dialog_prompt.h"
#include "form_fixture.h"
#include "measure/ui/online_page.h"

namespace qx::test {
namespace {

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
}

// Qt's own file dialog speaks Czech, offers the program's files and all files, and leaves the
// question about an existing file to the program: its name typed and confirmed with Enter is
// taken at once.
TEST(DialogPromptTest, SaveDialogInCzechTakesAnExistingFileWithoutItsOwnQuestion) {
    ASSERT_TRUE(InstallQtCzech(TestApp()));
    QTemporaryDir dir;
    QFile existing(dir.filePath(QStringLiteral("old.PRN")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    QStringList texts;
    QStringList filters;
    bool asked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
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
    EXPECT_EQ(filters, (QStringList{"Soubor hodnot (*.PRN)", "Všechny soubory (*)"}));
    EXPECT_TRUE(texts.contains(QStringLiteral("&Uložit"))) << texts.join('|').toStdString();
    for (const char* english : {"Save", "Cancel", "Look in", "File name", "Files of type"}) {
        EXPECT_FALSE(texts.join('|').contains(QLatin1String(english))) << english;
    }
    EXPECT_EQ(QAbstractFileIconProvider().type(QFileInfo(dir.path())), QStringLiteral("Složka"));
}

}  // namespace
}  // namespace qx::test
