// The main window against the simulated module over a real pseudo-terminal: the first activation
// finds the port, the poller identifies the module and its instrument, and the Setup page's
// status panel and the bus buttons follow the station.

#include <QLabel>

#include "tests/app/whole_window_fixture.h"

namespace qx::test {
namespace {

// The window alone, without the pages: the shell finds the port and polls by itself.
using EndToEndTest = WholeWindowFixture;

TEST_F(EndToEndTest, WindowPollsTheSimulatedModule) {
    ASSERT_TRUE(started_);
    form_ = std::make_unique<TMForm>(link_);
    TMForm& form = *form_;
    form.FormActivate();
    ASSERT_EQ(form.MSetupSh->MSetComm->count(), 1);
    EXPECT_EQ(form.MSetupSh->MSetComm->currentText(), QStringLiteral("COM1"));
    ASSERT_TRUE(link_.IsOpen());
    EXPECT_EQ(prompt_.MessageCount(), 0);

    QLabel* status = form.MSetupSh->MSetStatus;
    ASSERT_TRUE(WaitFor([&] { return status->text().contains(QStringLiteral("WZ520")); }))
        << status->text().toStdString();
    EXPECT_EQ(status->text(), QStringLiteral("  Status:    QX102    WZ520"));
    EXPECT_TRUE(form.SchedulePages().MShedSend->isEnabled());
    EXPECT_TRUE(form.DataPages().MTabReceive->isEnabled());
    EXPECT_TRUE(form.MOnLineSh->MOnClear->isEnabled());
    // The instrument number replaced the -1 of the Use action in the poll list.
    EXPECT_EQ(link_.PollEntry(10), 12345678);

    // The instrument is unplugged: the station drops to state 1.
    simulator_.SetInstrumentAttached(10, false);
    ASSERT_TRUE(WaitFor([&] { return status->text().contains(QStringLiteral("WZ???")); }));
    EXPECT_TRUE(status->text().contains(QStringLiteral("QX102")));
    EXPECT_FALSE(form.MOnLineSh->MOnClear->isEnabled());

    // The module falls silent: the station is reset and the bus buttons go off.
    simulator_.SetSilent(true);
    ASSERT_TRUE(WaitFor([&] { return !form.SchedulePages().MShedSend->isEnabled(); }));
    EXPECT_EQ(status->text(), QStringLiteral("  Status:    QX???    WZ???"));
}

}  // namespace
}  // namespace qx::test
