#include "data/core/table_fill.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/fake_progress.h"

namespace qx {
namespace {

using test::FakeProgress;

RecordList Records(const std::vector<int>& quantities) {
    RecordList list;
    for (const int q : quantities) {
        DataRecord r;
        r.config = static_cast<std::uint8_t>(q << 4 | 5);
        r.stamp = 86400.0 + list.Count();
        list.records.push_back(r);
    }
    return list;
}

TEST(TableFill, CountsQuantitiesAndFindsTheShownRecords) {
    RecordList list = Records({1, 2, 1, 2, 1});
    FakeProgress progress;
    progress.visible_ = true;  // left open by the read before
    const TableFillOutcome outcome = TableFill(list, 2, progress);
    EXPECT_EQ(outcome.shown.counts[1], 3);
    EXPECT_EQ(outcome.shown.counts[2], 2);
    EXPECT_EQ(outcome.shown.first, 1);
    EXPECT_EQ(outcome.shown.last, 3);
    EXPECT_EQ(outcome.rows, 2);
    EXPECT_EQ(progress.opens_, 0);
    ASSERT_EQ(progress.steps_.size(), 3u);
    EXPECT_EQ(progress.steps_[0].text, "");
    EXPECT_EQ(progress.steps_[0].maximum, 5);
    EXPECT_EQ(progress.steps_[1].text, "Čtení hodnot do tabulky");
    EXPECT_EQ(progress.steps_[2].text, "Celkem 2  záznamů ");
    EXPECT_EQ(progress.steps_[2].position, 5);
    EXPECT_EQ(progress.pauses_, std::vector<int>{1500});
    EXPECT_FALSE(progress.visible_);  // finished without keeping the dialog
}

TEST(TableFill, NoRecordOfTheQuantityOpensTheDialogAndShowsNone) {
    RecordList list = Records({1, 1, 1, 1});
    FakeProgress progress;
    const TableFillOutcome outcome = TableFill(list, 7, progress);
    EXPECT_EQ(progress.title_, "Čtení hodnot do tabulky");
    EXPECT_EQ(progress.maximum_, 4);
    EXPECT_EQ(outcome.rows, 0);
    EXPECT_EQ(outcome.shown.first, -1);
    EXPECT_EQ(outcome.shown.Count(), 0);
    EXPECT_EQ(progress.steps_.back().text, "Celkem 0  záznamů ");
}

TEST(TableFill, ReportsEveryHundredRowsOfALargeListAndCanBeCancelled) {
    RecordList list = Records(std::vector<int>(1500, 1));
    FakeProgress progress;
    TableFill(list, 1, progress);
    ASSERT_EQ(progress.steps_.size(), 16u);
    EXPECT_EQ(progress.steps_[0].text, " 100  záznamů");
    EXPECT_EQ(progress.steps_[0].position, 100);

    FakeProgress cancelling;
    cancelling.cancelAtDelivery_ = 3;
    const TableFillOutcome outcome = TableFill(list, 1, cancelling);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(list.Count(), 0);  // the list is emptied, and nothing of it is shown any more
    EXPECT_EQ(outcome.shown.first, -1);
    EXPECT_EQ(outcome.shown.Count(), 0);
    EXPECT_EQ(cancelling.steps_.back().text, "Celkem 300  záznamů ");
}

}  // namespace
}  // namespace qx
