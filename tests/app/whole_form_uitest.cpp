// The whole program's window as the program builds it: every page in its sheet with one control
// per name, and a live value of the simulated module travelling to the On-line page.

#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include "common/ui/tminfo_form.h"
#include "data/ui/data_pages.h"
#include "data/ui/graph_view.h"
#include "form_fixture.h"
#include "logger/ui/logger_pages.h"
#include "logger/ui/shed_page.h"
#include "logger/ui/tmcfg_form.h"
#include "measure/ui/on_view_widget.h"
#include "measure/ui/online_page.h"
#include "sim/simulator.h"
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

using WholeFormTest = WholeWindowFixture;

std::vector<std::string> ViewTexts(TOnlinePage& page) {
    std::vector<std::string> texts;
    const DisplayList list = page.MOnView->Build();
    for (const DisplayItem& item : list.Items()) {
        if (item.kind == DisplayItem::Kind::Text) texts.push_back(item.text.text);
    }
    return texts;
}

bool AnyContains(const std::vector<std::string>& texts, const std::string& part) {
    for (const std::string& text : texts) {
        if (text.find(part) != std::string::npos) return true;
    }
    return false;
}

TEST_F(WholeFormTest, EveryPageInItsSheetWithOneControlPerName) {
    TMForm& form = Build();
    ASSERT_EQ(form.MPage->count(), 5);
    EXPECT_EQ(form.MPage->widget(1), form.MOnLineSh);
    EXPECT_NE(qobject_cast<TOnlinePage*>(form.MPage->widget(1)), nullptr);
    EXPECT_EQ(logger_->Page()->parentWidget(), form.MShedullerSh);
    EXPECT_EQ(data_->MTabGrid->parentWidget(), form.MTableSh);
    EXPECT_EQ(data_->MGrPanel->parentWidget(), form.MGraphSh);

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
    // The window's handles are the controls the pages show and connect.
    const std::vector<std::pair<QPushButton*, const char*>> handles{
        {form.MOnLineSh->MOnClear, "MOnClear"},
        {form.MOnLineSh->MOnStart, "MOnStart"},
        {form.MOnLineSh->MOnStop, "MOnStop"},
        {form.SchedulePages().MShedSend, "MShedSend"},
        {form.SchedulePages().MShedCheck, "MShedCheck"},
        {form.SchedulePages().MShedClear, "MShedClear"},
        {form.DataPages().MTabReceive, "MTabReceive"}};
    for (const auto& [button, name] : handles) {
        EXPECT_EQ(button, form.findChild<QPushButton*>(QLatin1String(name))) << name;
    }
    EXPECT_EQ(form.MOnLineSh->MOnClear, form.MOnLineSh->MOnClear);

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
    for (QWidget* view :
         {static_cast<QWidget*>(form.MOnLineSh->MOnView), static_cast<QWidget*>(data_->MGrView)}) {
        EXPECT_FALSE(view->accessibleName().isEmpty()) << view->objectName().toStdString();
    }
}

TEST_F(WholeFormTest, ScheduleFileIsReadAtStartAndWrittenAtExit) {
    TMForm& form = Build();
    TShedPage& page = *logger_->Page();
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
    EXPECT_EQ(logger_->Page()->MShedHigh->text(), QStringLiteral("+1234"));
    EXPECT_TRUE(logger_->Page()->MShedRewrite->isChecked());
    EXPECT_EQ(prompt_.MessageCount(), 0) << LastMessage();
}

TEST_F(WholeFormTest, ScheduleInputListFollowsTheModelsInUse) {
    TMForm& form = Build();
    QComboBox* input = logger_->Page()->MShedInput;
    ASSERT_EQ(logger_->Page()->MShedSelect->currentIndex(), 0);  // current: inputs by model
    const int reduced = input->count();
    // The station in use turns out to be a pair with the full input set.
    form.Shared().Models().SetModuleModel(1102);
    form.Shared().Models().SetInstrumentModel(1520);
    emit form.MOnLineSh->InputSetChanged();
    EXPECT_GT(input->count(), reduced);
}

TEST_F(WholeFormTest, LiveValueOfTheSimulatedModuleReachesTheOnlinePage) {
    ASSERT_TRUE(started_);
    ASSERT_TRUE(simulator_.SetFixedValue(10, 1.0));
    TMForm& form = Build();
    form.FormActivate();
    ASSERT_TRUE(link_.IsOpen());
    TOnlinePage& online = *form.MOnLineSh;
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
    EXPECT_TRUE(form.SchedulePages().MShedSend->isEnabled());
    EXPECT_EQ(prompt_.MessageCount(), 0) << LastMessage();
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
    TOnlinePage& online = *form.MOnLineSh;
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
    TShedPage& shed = *logger_->Page();
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
    QTest::mouseClick(form.DataPages().MTabReceive, Qt::LeftButton);
    ASSERT_TRUE(data_->MTabSelect->isEnabled());
    ASSERT_TRUE(PickWithMouse(data_->MTabSelect, 1));
    EXPECT_EQ(data_->MGrSelect->currentIndex(), 1);
    EXPECT_EQ(data_->MTabGrid->model()->rowCount(), 3);
    openPage(form.MGraphSh);
    ASSERT_TRUE(PickWithMouse(data_->MGrSelect, 0));
    EXPECT_EQ(data_->MTabSelect->currentIndex(), 0);
    EXPECT_EQ(data_->MTabGrid->model()->rowCount(), 0);
    EXPECT_EQ(prompt_.MessageCount(), 0) << LastMessage();
}

TEST_F(WholeFormTest, ModuleButtonsRunTheirTransactionsAndLeaveThePollerRunning) {
    ASSERT_TRUE(started_);
    TMForm& form = Build();
    form.FormActivate();
    ASSERT_TRUE(WaitFor([&] { return form.SchedulePages().MShedClear->isEnabled(); }));

    ASSERT_TRUE(simulator_.PrefillQueue(10, 5, -1));
    form.SchedulePages().MShedClear->click();
    EXPECT_TRUE(simulator_.FindModule(10)->Log().Queue().empty());
    EXPECT_TRUE(info_->Lines().contains(QStringLiteral("Celkem  5  záznamů nulováno")))
        << info_->Lines().join(QLatin1Char('|')).toStdString();

    // The shown entry goes out with the schedule-wide rewrite flag.
    logger_->Page()->MShedRewrite->setChecked(true);
    form.SchedulePages().MShedSend->click();
    EXPECT_EQ(simulator_.FindModule(10)->Log().Rewrite(), 0x80);
    EXPECT_TRUE(QFile::exists(workDir_.filePath(QStringLiteral("ROZVRH.LOG"))));
    form.SchedulePages().MShedCheck->click();
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
    // The user cancels the find at once: the settings of the Setup page are applied again.
    QTimer::singleShot(0, info_, [this] { info_->MCancelClick(); });
    form.MSetupSh->MSetFind->click();
    const QStringList lines = info_->Lines();
    EXPECT_EQ(lines.value(0), QStringLiteral("BAUD = 1200, CSUM = OFF:"));
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
    ASSERT_TRUE(simulator_.HangUp(false));
    const QString device = QString::fromStdString(link_.DevicePath());
    EXPECT_TRUE(WaitFor([&] {
        return form.MSetupSh->MSetStatus->text() ==
               QStringLiteral("  Status:    %1 odpojeno, čeká se na připojení").arg(device);
    }));
    EXPECT_TRUE(AnyContains(ViewTexts(*form.MOnLineSh),
                            "odpojeno: " + device.section(QLatin1Char('/'), -1).toStdString()));
    EXPECT_FALSE(form.SchedulePages().MShedSend->isEnabled());
    ASSERT_TRUE(simulator_.HangUp(true));
    EXPECT_TRUE(WaitFor([&] { return form.MSetupSh->MSetStatus->text() == known; }, 10000));
    EXPECT_TRUE(WaitFor([&] { return form.SchedulePages().MShedSend->isEnabled(); }));
    EXPECT_EQ(prompt_.MessageCount(), 0) << LastMessage();
}

}  // namespace
}  // namespace qx::test
