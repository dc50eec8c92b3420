// The Setup page: first activation with port probing, Use with its address correction and
// failure handling, re-applying on activation, and saving the settings at exit.

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "common/ui/control_color.h"
#include "common/ui/port_map_dialog.h"
#include "common/ui/tminfo_form.h"
#include "form_fixture.h"
#include "link/core/pause_lease.h"
#include "tests/app/mouse_pick.h"
#include "tests/support/pty_peer.h"

namespace qx::test {
namespace {

using SetupTest = FormTest;

TEST_F(SetupTest, FirstStartWithCom1AndCom3ProbesDownAndUsesCom1) {
    Present({0, 2});
    Form().FormActivate();
    EXPECT_EQ(Stored("Port").toInt(), 1);  // default written at creation
    EXPECT_EQ(PortItems(), (QStringList{"COM1", "COM3"}));
    EXPECT_EQ(SetupSh().MSetComm->currentText(), QStringLiteral("COM1"));
    EXPECT_EQ(SetupSh().PortNumber(), 0);
    EXPECT_EQ(SetupSh().SavedPortIndex(), 0);
    EXPECT_TRUE(link_.IsOpen());
    // Probed COM4 down to COM1, then the chosen port opened again.
    const std::vector<std::string> tried = ports_.Tried();
    ASSERT_EQ(tried.size(), 5u);
    EXPECT_EQ(tried, (std::vector<std::string>{FakePath(3), FakePath(2), FakePath(1), FakePath(0),
                                               FakePath(0)}));
    EXPECT_EQ(Form().windowTitle(), TMForm::Banner());
    EXPECT_EQ(ControlColor(SetupSh().MSetComm), kAqua);
    // The list's tooltip names the device behind the port.
    EXPECT_TRUE(SetupSh().MSetComm->toolTip().contains(QString::fromStdString(FakePath(0))));
}

TEST_F(SetupTest, StoredPort3WithOnlyCom1SelectsCom1) {
    SetStored("Port", 3);
    Present({0});
    Form().FormActivate();
    EXPECT_EQ(PortItems(), QStringList{"COM1"});
    EXPECT_EQ(SetupSh().MSetComm->currentText(), QStringLiteral("COM1"));
    EXPECT_EQ(SetupSh().SavedPortIndex(), 0);
    EXPECT_EQ(ports_.Tried().back(), FakePath(0));
}

TEST_F(SetupTest, StoredPortAboveTheShortenedListSelectsAnExistingItem) {
    SetStored("Port", 3);
    Present({0, 1, 2, 3});
    Form().FormActivate();
    EXPECT_EQ(SetupSh().MSetComm->currentText(), QStringLiteral("COM4"));
    EXPECT_EQ(ports_.Tried().back(), FakePath(3));
    EXPECT_EQ(link_.PollEntry(10), -1);
}

TEST_F(SetupTest, NoUsablePortEndsTheProgramWithAMessage) {
    Present({});
    ports_.SetDenied({FakePath(1)});
    Form().show();
    Form().FormActivate();
    ASSERT_EQ(prompt_.MessageCount(), 1);
    // The first line as always, then why each port failed.
    const QStringList lines = prompt_.Log()[0].text.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], QStringLiteral("Není dostupný volný COM port."));
    EXPECT_TRUE(lines[1].startsWith(
        QStringLiteral("COM1 (%1): zařízení neexistuje").arg(QString::fromStdString(FakePath(0)))));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("dialout")));
    EXPECT_EQ(prompt_.Log()[0].caption, QStringLiteral("COM Error"));
    // Then the port mapping, offering to work without a module, which the user cancels (the
    // scripted prompt's default).
    ASSERT_EQ(prompt_.Log().size(), 2u);
    EXPECT_EQ(prompt_.Log()[1].kind, ScriptedPrompt::Shown::Kind::Ports);
    EXPECT_EQ(prompt_.Log()[1].text, QStringLiteral("Pracovat bez modulu"));
    EXPECT_FALSE(Form().isVisible());
    EXPECT_FALSE(link_.IsOpen());
}

// With no usable port the user works without a module: the window stays up with the link closed
// and says so, nothing that talks to the module can be pressed, "Nastav" on a port still missing
// tells so, and activations do not touch the ports. A port mapped later opens the link; a mapping
// that leads nowhere later leaves the window as it was rather than ending the program. The stored
// port is the user's, not the last one probed.
TEST_F(SetupTest, WithoutAModuleTheWindowStaysUpUntilAPortIsMapped) {
    Present({});
    prompt_.QueueWithoutModule();
    Form().show();
    Form().FormActivate();
    const QString withoutModule = QStringLiteral("  Status:    bez modulu: port není připojen");
    auto checkWithoutModule = [&] {
        EXPECT_TRUE(Form().isVisible());
        EXPECT_TRUE(SetupSh().WithoutModule());
        EXPECT_FALSE(link_.IsOpen());
        EXPECT_EQ(SetupSh().MSetStatus->text(), withoutModule);
        for (QPushButton* button : BusButtons())
            EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
        EXPECT_FALSE(SetupSh().MSetFind->isEnabled());
        EXPECT_FALSE(SetupSh().MSetConfig->isEnabled());
        EXPECT_FALSE(Form().MOnLineSh->MOnStart->isEnabled());
        EXPECT_EQ(PortItems(), (QStringList{"COM1", "COM2", "COM3", "COM4"}));
        EXPECT_EQ(ControlColor(SetupSh().MSetComm), kRed);
    };
    checkWithoutModule();
    EXPECT_EQ(SetupSh().MSetComm->currentText(), QStringLiteral("COM2"));  // stored "Port" 1
    ports_.ClearTried();
    Form().FormActivate();
    EXPECT_TRUE(ports_.Tried().empty());
    QTest::mouseClick(SetupSh().MSetUse, Qt::LeftButton);
    ASSERT_EQ(prompt_.MessageCount(), 2);
    EXPECT_EQ(prompt_.Log().back().text,
              QStringLiteral("    Zvolený COM port nelze použít. Zvol jiný."));
    checkWithoutModule();

    // A mapping that leads nowhere, then "Storno": still without a module.
    prompt_.QueuePorts(PortPaths{"/fake/missing", FakePath(1), FakePath(2), FakePath(3)});
    SetupSh().MSetMap->click();
    EXPECT_EQ(prompt_.MessageCount(), 3);  // no usable port again
    checkWithoutModule();

    ports_.SetPresent({FakePath(0)});
    prompt_.QueuePorts(PortPaths{FakePath(0), FakePath(1), FakePath(2), FakePath(3)});
    SetupSh().MSetMap->click();
    EXPECT_FALSE(SetupSh().WithoutModule());
    EXPECT_TRUE(link_.IsOpen());
    EXPECT_EQ(link_.PollEntry(10), -1);
    EXPECT_TRUE(SetupSh().MSetFind->isEnabled());
    EXPECT_TRUE(SetupSh().MSetConfig->isEnabled());
    EXPECT_EQ(SetupSh().MSetStatus->text(), QStringLiteral("  Status:    QX???    WZ???"));
    EXPECT_EQ(SetupSh().MSetStatus->toolTip(),
              QStringLiteral("COM1 = ") + QString::fromStdString(FakePath(0)));
}

TEST_F(SetupTest, WithoutAModuleTheStoredPortStays) {
    SetStored("Port", 2);
    Present({});
    prompt_.QueueWithoutModule();
    Form().FormActivate();
    EXPECT_EQ(SetupSh().MSetComm->currentText(), QStringLiteral("COM3"));
    form_.reset();
    EXPECT_EQ(Stored("Port").toInt(), 2);
    EXPECT_TRUE(QFileInfo::exists(workDir_.filePath(QStringLiteral("ROZVRH.QX"))));
}

// With no usable port the user maps one onto a device that is there: the ports are probed on
// the new mapping, the program goes on with it, and the mapping is stored. The same mapping
// from the page's button moves the link to the new device at once.
TEST_F(SetupTest, PortMappingLeadsOutOfNoPortAndAppliesAtOnce) {
    const std::string adapter = "/fake/ttyUSB0";
    ports_.SetPresent({adapter});
    PortPaths mapped{FakePath(0), adapter, FakePath(2), FakePath(3)};
    prompt_.QueuePorts(PortPaths{FakePath(0), "/fake/missing", FakePath(2), FakePath(3)});
    prompt_.QueuePorts(mapped);
    Form().show();
    Form().FormActivate();
    EXPECT_EQ(prompt_.MessageCount(), 2);  // once for the start, once for the useless mapping
    EXPECT_TRUE(Form().isVisible());
    EXPECT_EQ(PortItems(), QStringList{"COM2"});
    EXPECT_TRUE(link_.IsOpen());
    EXPECT_EQ(ports_.Tried().back(), adapter);
    EXPECT_EQ(link_.PollEntry(10), -1);  // the selected address is polled
    EXPECT_TRUE(SetupSh().MSetComm->toolTip().contains(QString::fromStdString(adapter)));
    EXPECT_EQ(settings_.Open().value(QStringLiteral("1.0/Ports/COM2")).toString().toStdString(),
              adapter);

    // Later the adapter is mapped as COM3 instead through the button beside the list.
    ports_.ClearTried();
    prompt_.QueuePorts(PortPaths{FakePath(0), FakePath(1), adapter, FakePath(3)});
    SetupSh().MSetMap->click();
    EXPECT_EQ(PortItems(), QStringList{"COM3"});
    EXPECT_EQ(SetupSh().MSetComm->currentText(), QStringLiteral("COM3"));
    EXPECT_TRUE(link_.IsOpen());
    EXPECT_EQ(ports_.Tried().back(), adapter);
    // A cancelled mapping changes nothing.
    ports_.ClearTried();
    SetupSh().MSetMap->click();
    EXPECT_TRUE(ports_.Tried().empty());
    EXPECT_EQ(prompt_.MessageCount(), 2);
}

// The mapping dialog over two pseudo-terminals standing in for adapters: a device picked from a
// row's list with the mouse, a path typed into another, and the descriptions that follow; the
// rows left alone keep their devices, and "Storno" rejects.
TEST(PortMapDialogTest, PicksADeviceTakesATypedPathAndCancels) {
    TestApp();
    PtyPeer first;
    PtyPeer second;
    const std::vector<SerialPortEntry> devices{{first.Path(), "FTDI FT232R, SN A1, 0403:6001"},
                                               {second.Path(), ""}};
    const PortPaths current{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"};
    TPortMapDialog dialog(current, devices);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ASSERT_EQ(dialog.MapPort[0]->count(), 2);
    EXPECT_EQ(dialog.MapPort[0]->currentText(), QStringLiteral("/dev/ttyS0"));
    auto description = [&](int port) {
        return dialog.findChild<QLabel*>(QStringLiteral("MapDescriptionCOM%1").arg(port))->text();
    };
    EXPECT_EQ(description(1), QStringLiteral("(není mezi přítomnými zařízeními)"));

    ASSERT_TRUE(PickWithMouse(dialog.MapPort[0], 0));
    EXPECT_EQ(description(1), QStringLiteral("FTDI FT232R, SN A1, 0403:6001"));
    QLineEdit* typed = dialog.MapPort[2]->lineEdit();
    typed->selectAll();
    QTest::keyClicks(typed, QString::fromStdString(second.Path()));
    EXPECT_EQ(description(3), QString());
    const PortPaths paths = dialog.Paths();
    EXPECT_EQ(paths, (PortPaths{first.Path(), "/dev/ttyS1", second.Path(), "/dev/ttyS3"}));

    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("MapWithoutModule")), nullptr);

    // Where no port can be used, the dialog also lets the user go on without a module.
    TPortMapDialog offering(current, devices, nullptr, true);
    offering.show();
    auto* without = offering.findChild<QPushButton*>(QStringLiteral("MapWithoutModule"));
    ASSERT_NE(without, nullptr);
    EXPECT_EQ(without->text(), QStringLiteral("Pracovat bez modulu"));
    QTest::mouseClick(without, Qt::LeftButton);
    EXPECT_EQ(offering.result(), TPortMapDialog::kWithoutModule);
}

TEST_F(SetupTest, AddressIsClampedSelectedAndPolled) {
    Present({0});
    Form().FormActivate();
    struct Case {
        const char* typed;
        const char* shown;
        int address;
        bool selected;
    };
    for (const Case& c : {Case{"300", "254", 254, true}, Case{"-5", "0", 0, true},
                          Case{"x", "x", 0, false}, Case{"17", "17", 17, false}}) {
        SCOPED_TRACE(c.typed);
        SetupSh().MSetAddress->setText(QString::fromLatin1(c.typed));
        SetupSh().MSetAddress->deselect();
        QTest::mouseClick(SetupSh().MSetUse, Qt::LeftButton);
        EXPECT_EQ(SetupSh().MSetAddress->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(SetupSh().MSetAddress->hasSelectedText(), c.selected);
        if (c.selected) {
            EXPECT_EQ(SetupSh().MSetAddress->selectedText(), QString::fromLatin1(c.shown));
        }
        EXPECT_EQ(Form().SelectedAddress(), c.address);
        for (int a = 0; a < 256; ++a) {
            ASSERT_EQ(link_.PollEntry(a), a == c.address ? -1 : 0) << "address " << a;
        }
    }
    EXPECT_EQ(prompt_.MessageCount(), 0);
}

TEST_F(SetupTest, FailedUseDisablesBusButtonsAndTellsOnlyAClick) {
    Present({0, 1});
    Form().FormActivate();
    ASSERT_EQ(SetupSh().MSetComm->currentText(), QStringLiteral("COM2"));  // stored "Port" 1
    const int selected = Form().SelectedAddress();
    for (QPushButton* b : BusButtons())
        b->setEnabled(true);
    Present({0});  // COM2 goes away

    Form().MSetUseClick(nullptr);
    EXPECT_EQ(prompt_.MessageCount(), 0);
    for (QPushButton* b : BusButtons())
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_EQ(ControlColor(SetupSh().MSetComm), kRed);
    EXPECT_FALSE(link_.IsOpen());

    SetupSh().MSetAddress->setText(QStringLiteral("99"));
    QTest::mouseClick(SetupSh().MSetUse, Qt::LeftButton);
    ASSERT_EQ(prompt_.MessageCount(), 1);
    EXPECT_EQ(prompt_.Log()[0].text,
              QStringLiteral("    Zvolený COM port nelze použít. Zvol jiný."));
    EXPECT_EQ(prompt_.Log()[0].caption, QStringLiteral("TMForm::MSetUseClick()"));
    EXPECT_EQ(Form().SelectedAddress(), selected);  // unchanged by a failed Use

    // Choosing the port that is there makes it usable again.
    SetupSh().MSetComm->setCurrentIndex(0);
    Form().MSetCommChange(SetupSh().MSetComm);
    QTest::mouseClick(SetupSh().MSetUse, Qt::LeftButton);
    EXPECT_EQ(ports_.Tried().back(), FakePath(0));
    EXPECT_TRUE(link_.IsOpen());
    EXPECT_EQ(ControlColor(SetupSh().MSetComm), kAqua);
    EXPECT_EQ(Form().SelectedAddress(), 99);
}

TEST_F(SetupTest, PermissionDeniedNamesTheDialoutGroup) {
    Present({0});
    Form().FormActivate();
    ports_.SetDenied({FakePath(0)});
    QTest::mouseClick(SetupSh().MSetUse, Qt::LeftButton);
    ASSERT_EQ(prompt_.MessageCount(), 1);
    EXPECT_TRUE(prompt_.Log()[0].text.startsWith(
        QStringLiteral("    Zvolený COM port nelze použít. Zvol jiný.")));
    EXPECT_TRUE(prompt_.Log()[0].text.contains(QStringLiteral("dialout")));
    EXPECT_TRUE(Form().MStatusBar->currentMessage().contains(QStringLiteral("dialout")));
}

TEST_F(SetupTest, EveryActivationReappliesTheStartUpChoice) {
    Present({0, 1});
    Form().FormActivate();
    SetupSh().MSetComm->setCurrentIndex(0);
    Form().MSetCommChange(SetupSh().MSetComm);
    Form().MSetUseClick(SetupSh().MSetUse);
    ports_.ClearTried();
    Form().FormActivate();
    EXPECT_EQ(SetupSh().MSetComm->currentText(), QStringLiteral("COM2"));
    EXPECT_EQ(ports_.Tried(), std::vector<std::string>{FakePath(1)});  // no second probing
    EXPECT_TRUE(link_.IsOpen());
}

TEST_F(SetupTest, NothingIsReappliedWhileATransactionHoldsTheBus) {
    Present({0});
    Form().FormActivate();
    ports_.ClearTried();
    {
        PauseLease transaction(link_, &Form().Shared().Bus());
        Form().FormActivate();
        QTest::mouseClick(SetupSh().MSetUse, Qt::LeftButton);
        Form().MSetUseClick(nullptr);
        EXPECT_TRUE(ports_.Tried().empty());
        EXPECT_TRUE(link_.IsOpen());
    }
    EXPECT_FALSE(Form().Shared().Bus().Busy());
    Form().FormActivate();
    EXPECT_EQ(ports_.Tried().size(), 1u);
}

// "Najdi" runs the quick find from what the page holds; when it finds nothing the user is offered
// the full find, which is also the button's context menu item (its mnemonic "p"). The page keeps
// what it showed, and its settings apply again once the user has closed the dialog.
TEST_F(SetupTest, FindIsQuickFromThePageAndTheFullFindOneChoiceAway) {
    Present({0});
    Form().FormActivate();
    link_.SetReplyGapMs(0);  // the fake bus is silent: a silent address costs nothing here
    SetupSh().MSetBaud->setCurrentIndex(4);  // 19200 Bd
    SetupSh().MSetCsum->setChecked(true);
    SetupSh().MSetAddress->setText(QStringLiteral("33"));
    TMInfoForm& info = Form().Shared().Info();
    QTimer user;  // closes the dialog once the find has finished it
    user.setInterval(0);
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (info.Visible() && info.MCancel->text() == QStringLiteral("OK")) info.MCancelClick();
    });
    user.start();
    const auto fromMenu = [this] {
        QTimer::singleShot(0, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) return;
            QTest::keyClick(menu, Qt::Key_P);
            if (menu->isVisible()) menu->close();  // no such item: the find never runs
        });
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(4, 4),
                                SetupSh().MSetFind->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(SetupSh().MSetFind, &event);
    };
    struct Case {
        const char* name;
        std::function<void()> start;
        std::optional<bool> answer;  // to the offer of the full find
        const char* firstLine;
    };
    const Case cases[] = {
        {"quick, full declined", [this] { QTest::mouseClick(SetupSh().MSetFind, Qt::LeftButton); },
         false, "BAUD = 19200, CSUM = ON:"},
        {"quick, full accepted", [this] { QTest::mouseClick(SetupSh().MSetFind, Qt::LeftButton); },
         true, "BAUD = 1200, CSUM = OFF:"},
        {"full from the menu", fromMenu, std::nullopt, "BAUD = 1200, CSUM = OFF:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompt_.ClearLog();
        info.Open({}, 0);  // an empty log, so a find that does not run shows
        info.MCancelClick();
        if (c.answer) prompt_.QueueAnswer(*c.answer);
        c.start();
        const QStringList lines = info.Lines();
        ASSERT_EQ(lines.size(), 13);  // a heading for each combination tried, and "KONEC"
        EXPECT_EQ(lines.front(), QLatin1String(c.firstLine));
        EXPECT_EQ(lines.back(), QStringLiteral("KONEC"));
        EXPECT_EQ(info.windowTitle(), QStringLiteral("Vyhledávání aktuálního nastavení QX"));
        ASSERT_EQ(prompt_.Log().size(), c.answer ? 1u : 0u);
        if (c.answer) {
            EXPECT_EQ(prompt_.Log()[0].kind, ScriptedPrompt::Shown::Kind::Question);
            EXPECT_TRUE(prompt_.Log()[0].text.contains(QStringLiteral("úplné hledání")));
            EXPECT_EQ(prompt_.Log()[0].caption, QStringLiteral("TMForm::MSetFindClick()"));
        }
        EXPECT_FALSE(info.Visible());
        EXPECT_EQ(SetupSh().MSetBaud->currentIndex(), 4);
        EXPECT_TRUE(SetupSh().MSetCsum->isChecked());
        EXPECT_EQ(SetupSh().MSetAddress->text(), QStringLiteral("33"));
        EXPECT_EQ(link_.BaudCode(), 7);
        EXPECT_TRUE(link_.ChecksumOn());
        EXPECT_EQ(link_.PollEntry(33), -1);
        EXPECT_FALSE(Form().Shared().Bus().Busy());
    }
}

TEST_F(SetupTest, ExitWritesOnlyWhatChanged) {
    Present({0});
    Form().FormActivate();
    form_.reset();  // the first exit stores the port in use (COM1) over the default
    QFile file(settings_.File());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    const QDateTime stamp = QFileInfo(settings_.File()).lastModified();

    Form().FormActivate();
    form_.reset();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    file.close();
    EXPECT_EQ(QFileInfo(settings_.File()).lastModified(), stamp);

    Form().FormActivate();
    SetupSh().MSetAddress->setText(QStringLiteral("42"));
    SetupSh().MSetCsum->setChecked(true);
    SetupSh().MSetBaud->setCurrentIndex(5);
    form_.reset();
    EXPECT_EQ(Stored("Address").toString(), QStringLiteral("42"));
    EXPECT_EQ(Stored("Csum").toBool(), true);
    EXPECT_EQ(Stored("Baud").toInt(), 5);
    EXPECT_EQ(Stored("Port").toInt(), 0);  // the port number in use (COM1), not the default 1
}

TEST_F(SetupTest, GarbageInTheStoreLoadsSafely) {
    SetStored("Port", -7);
    SetStored("Baud", QStringLiteral("rychle"));
    SetStored("Address", QString(40, QLatin1Char('9')));
    SetStored("Csum", QStringLiteral("možná"));
    Present({0, 1});
    Form();
    EXPECT_EQ(SetupSh().MSetBaud->currentIndex(), 3);
    EXPECT_EQ(SetupSh().MSetAddress->text(), QStringLiteral("999"));
    EXPECT_FALSE(SetupSh().MSetCsum->isChecked());
    Form().FormActivate();
    EXPECT_EQ(SetupSh().MSetComm->currentText(), QStringLiteral("COM1"));
    EXPECT_EQ(Form().SelectedAddress(), 254);

    form_.reset();
    SetStored("Port", 99999);
    Form().FormActivate();
    EXPECT_EQ(SetupSh().MSetComm->currentText(), QStringLiteral("COM2"));
}

}  // namespace
}  // namespace qx::test
