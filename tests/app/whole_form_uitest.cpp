// The whole program's window as the program builds it: every page in its sheet with one control
// per name, and a live value of the simulated module travelling to the On-line page.

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include "app/ui/tminfo_form.h"
#include "data/ui/data_pages.h"
#include "form_fixture.h"
#include "logger/ui/logger_pages.h"
#include "logger/ui/shed_page.h"
#include "logger/ui/tmcfg_form.h"
#include "measure/ui/on_view_widget.h"
#include "measure/ui/online_page.h"
#include "sim/simulator.h"
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
        {form.MOnClear, "MOnClear"},      {form.MOnStart, "MOnStart"},
        {form.MOnStop, "MOnStop"},        {form.MShedSend, "MShedSend"},
        {form.MShedCheck, "MShedCheck"},  {form.MShedClear, "MShedClear"},
        {form.MTabReceive, "MTabReceive"}};
    for (const auto& [button, name] : handles) {
        EXPECT_EQ(button, form.findChild<QPushButton*>(QLatin1String(name))) << name;
    }
    EXPECT_EQ(form.MOnClear, form.MOnLineSh->MOnClear);
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
    EXPECT_EQ(prompt_.MessageCount(), 0);
}

TEST_F(WholeFormTest, ScheduleInputListFollowsTheModelsInUse) {
    TMForm& form = Build();
    QComboBox* input = logger_->Page()->MShedInput;
    ASSERT_EQ(logger_->Page()->MShedSelect->currentIndex(), 0);  // current: inputs by model
    const int reduced = input->count();
    // The station in use turns out to be a pair with the full input set.
    form.Models().SetModuleModel(1102);
    form.Models().SetInstrumentModel(1520);
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
    EXPECT_TRUE(form.MOnClear->isEnabled());
    EXPECT_TRUE(form.MShedSend->isEnabled());
    EXPECT_EQ(prompt_.MessageCount(), 0);
}

// A range picked on the On-line page goes to the module as a configuration command in place of a
// value read; once the module reports the new byte, values are read again.
TEST_F(WholeFormTest, RangeChangeReachesTheModuleAndValuesResume) {
    ASSERT_TRUE(started_);
    TMForm& form = Build();
    form.FormActivate();
    TOnlinePage& online = *form.MOnLineSh;
    ASSERT_TRUE(WaitFor([&] { return online.MOnRange->isEnabled(); }, 10000));
    ASSERT_GT(online.MOnRange->count(), 1);
    const int before = simulator_.FindModule(10)->Settings().config;

    const int next = (online.MOnRange->currentIndex() + 1) % online.MOnRange->count();
    online.MOnRange->setCurrentIndex(next);
    emit online.MOnRange->activated(next);  // as the user's choice arrives
    const int wanted = link_.Station(10).config;
    ASSERT_NE(wanted, before);
    ASSERT_TRUE(WaitFor(
        [&] {
            const auto module = simulator_.FindModule(10);
            return module && module->Settings().config == wanted;
        },
        10000));

    // On the wire: the configuration command, then value requests answered with a value.
    auto valueAfterCommand = [&] {
        bool commandSeen = false;
        bool valueAsked = false;
        for (const sim::WireFrame& frame : simulator_.Record().Frames()) {
            if (!frame.fromModule) {
                if (frame.bytes.rfind("%0A0A", 0) == 0) commandSeen = true;
                valueAsked = commandSeen && frame.bytes.rfind("#0A", 0) == 0;
            } else if (valueAsked && frame.bytes.rfind(">", 0) == 0) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(WaitFor(valueAfterCommand, 10000));
    EXPECT_TRUE(WaitFor([&] { return link_.Station(10).value < kNoValue; }, 10000));
    EXPECT_EQ(online.MOnRange->currentIndex(), next);
    EXPECT_EQ(prompt_.MessageCount(), 0);
}

TEST_F(WholeFormTest, ModuleButtonsRunTheirTransactionsAndLeaveThePollerRunning) {
    ASSERT_TRUE(started_);
    TMForm& form = Build();
    form.FormActivate();
    ASSERT_TRUE(WaitFor([&] { return form.MShedClear->isEnabled(); }));

    ASSERT_TRUE(simulator_.PrefillQueue(10, 5, -1));
    form.MShedClear->click();
    EXPECT_TRUE(simulator_.FindModule(10)->Log().Queue().empty());
    EXPECT_TRUE(info_.Lines().contains(QStringLiteral("Celkem  5  záznamů nulováno")))
        << info_.Lines().join(QLatin1Char('|')).toStdString();

    // The shown entry goes out with the schedule-wide rewrite flag.
    logger_->Page()->MShedRewrite->setChecked(true);
    form.MShedSend->click();
    EXPECT_EQ(simulator_.FindModule(10)->Log().Rewrite(), 0x80);
    EXPECT_TRUE(QFile::exists(workDir_.filePath(QStringLiteral("ROZVRH.LOG"))));
    form.MShedCheck->click();
    EXPECT_EQ(prompt_.MessageCount(), 0);
    EXPECT_FALSE(form.Bus().Busy());

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
    QTimer::singleShot(0, &info_, [this] { info_.MCancelClick(); });
    form.MSetupSh->MSetFind->click();
    const QStringList lines = info_.Lines();
    EXPECT_EQ(lines.value(0), QStringLiteral("BAUD = 1200, CSUM = OFF:"));
    EXPECT_EQ(lines.value(lines.size() - 1), QStringLiteral("KONEC"));
    EXPECT_TRUE(link_.IsOpen());
    EXPECT_EQ(link_.BaudCode(), 6);
    EXPECT_EQ(link_.PollEntry(10), -1);
    EXPECT_FALSE(form.Bus().Busy());
    EXPECT_EQ(prompt_.MessageCount(), 1);
}

}  // namespace
}  // namespace qx::test
