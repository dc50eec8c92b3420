// "Načíst z modulu" in the whole window against the simulated module: the queue goes into the
// chosen file, comes back into the table and both lists, and the poller resumes. A download cut
// short by a silent module reports the link's error, shows what came, and the next one continues
// where it stopped.

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include "common/ui/tminfo_form.h"
#include "data/ui/data_view.h"
#include "data/ui/graph_page.h"
#include "data/ui/table_page.h"
#include "logger/ui/shed_page.h"
#include "logger/ui/tmcfg_form.h"
#include "sim/logger.h"
#include "sim/simulator.h"
#include "tests/app/form_fixture.h"
#include "tests/app/whole_window_fixture.h"
#include "tests/support/temp_dir.h"

// Fontconfig keeps a cache for the life of the process; the leak checker would report it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace qx::test {
namespace {

constexpr int kModule = 10;

class ReceiveWindowTest : public WholeWindowFixture {
  protected:
    TMForm& Build() {
        TMForm& form = WholeWindowFixture::Build();
        data_->SetPause([](int) {});
        return form;
    }

    // Records of quantity 1, one a second from 07:00:00, the value 1.0 + i.
    void Push(int from, int to) {
        for (int i = from; i < to; ++i) {
            ASSERT_TRUE(simulator_.PushRecord(
                kModule, sim::RecordPayload(0x10, 0x04, 10 + 10 * i, {2026, 12, 8, 7, 0, i})));
        }
    }

    test::TempDir dir_;
};

TEST_F(ReceiveWindowTest, QueueReachesFileTableAndListsAndAFailedDownloadResumes) {
    ASSERT_TRUE(started_);
    TMForm& form = Build();
    form.FormActivate();
    ASSERT_TRUE(WaitFor([&] { return form.MTableSh->MTabReceive->isEnabled(); }, 10000));

    Push(0, 25);
    const std::string first = dir_.File("first.PRN");
    prompt_.QueueFile(QString::fromStdString(first));
    // Events are delivered at the tenth record: from then on the module stays silent.
    // The three lost attempts wait short gaps; the answered exchanges keep the fixture's long one.
    QTimer::singleShot(0, info_, [this] {
        link_.SetReplyGapMs(100);
        simulator_.DropReplies(3);
    });
    form.MTableSh->MTabReceive->click();
    link_.SetReplyGapMs(600);

    ASSERT_EQ(prompt_.MessageCount(), 1);
    EXPECT_EQ(prompt_.Log().back().caption, QStringLiteral("TMForm::MTabReceiveClick()"));
    EXPECT_EQ(prompt_.Log().back().text,
              QString::fromStdString(TCommPort::StrError(kTimeoutError, kOpSend)));
    const std::string firstContent = test::TempDir::Read(first);
    EXPECT_EQ(std::count(firstContent.begin(), firstContent.end(), '\n'), 10);
    EXPECT_EQ(firstContent.substr(0, firstContent.find('\n') + 1),
              "0x0A\t0x10\t1,000\t0\t08.12.2026\t07:00:00 0\r\n");
    EXPECT_EQ(form.Shared().DataFileName(), QString::fromStdString(first));
    EXPECT_EQ(data_->Records().Count(), 10);
    EXPECT_EQ(data_->SelectedQuantity(), 0);
    EXPECT_EQ(form.MTableSh->MTabSelect->count(), form.MGraphSh->MGrSelect->count());

    // The next download picks up at the record whose reply was lost.
    const std::string second = dir_.File("second.PRN");
    prompt_.QueueFile(QString::fromStdString(second));
    form.MTableSh->MTabReceive->click();
    EXPECT_EQ(prompt_.MessageCount(), 1);
    const std::string secondContent = test::TempDir::Read(second);
    EXPECT_EQ(std::count(secondContent.begin(), secondContent.end(), '\n'), 15);
    EXPECT_EQ(secondContent.substr(0, secondContent.find('\n') + 1),
              "0x0A\t0x10\t11,00\t0\t08.12.2026\t07:00:10 0\r\n");
    ASSERT_EQ(data_->Records().Count(), 15);
    // Quantity 1 is in the list with its count; choosing it fills the table.
    ASSERT_GT(form.MTableSh->MTabSelect->count(), 1);
    EXPECT_TRUE(form.MTableSh->MTabSelect->itemText(1).endsWith("  #15"))
        << form.MTableSh->MTabSelect->itemText(1).toStdString();
    form.MTableSh->MTabSelect->setCurrentIndex(1);
    form.MTableSh->MTabSelectChange();
    EXPECT_EQ(form.MTableSh->MTabGrid->model()->rowCount(), 15);
    // The closing request acknowledged the last record: the module's queue is read out.
    EXPECT_TRUE(simulator_.FindModule(kModule)->Log().Queue().empty());
    EXPECT_FALSE(form.Shared().Bus().Busy());

    // "Storno" at the tenth record: the log comes back to say what was written and that the
    // rest stays in the module, before the file is read.
    Push(0, 25);
    const std::string third = dir_.File("third.PRN");
    prompt_.QueueFile(QString::fromStdString(third));
    QTimer::singleShot(0, info_, [this] { info_->MCancelClick(); });
    QStringList shown;
    data_->SetPause([&](int) {
        if (shown.isEmpty() && info_->isVisible()) shown = info_->Lines();
    });
    form.MTableSh->MTabReceive->click();
    data_->SetPause([](int) {});
    EXPECT_EQ(prompt_.MessageCount(), 1);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.back(), QStringLiteral("Zapsáno 10 záznamů, zbytek zůstává v modulu"));
    EXPECT_EQ(data_->Records().Count(), 10);
    EXPECT_GE(simulator_.FindModule(kModule)->Log().Queue().size(), 15u);

    // The poller was released: the module is polled again.
    const std::size_t before = simulator_.Record().RequestCount();
    EXPECT_TRUE(WaitFor([&] { return simulator_.Record().RequestCount() > before + 2; }, 10000));
}

}  // namespace
}  // namespace qx::test
