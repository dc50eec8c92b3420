#include <QComboBox>
#include <QPushButton>
#include <QTableView>

#include "common/ui/tminfo_form.h"
#include "data/ui/data_pages.h"
#include "tests/app/form_fixture.h"
#include "tests/support/temp_dir.h"

// Fontconfig keeps a cache for the life of the process that the leak checker reports at exit;
// it is the system library's, not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace qx::test {
namespace {

class DataPagesTest : public FormTest {
  protected:
    TDataPages& Pages() {
        if (pages_ == nullptr) {
            pages_ = &Form().DataPages();
            pages_->SetPause([](int) {});
        }
        return *pages_;
    }

    TDataPages* pages_ = nullptr;
    qx::test::TempDir dir_;
};

TEST_F(DataPagesTest, OpeningAFileFillsTableGraphAndBothLists) {
    const std::string path = dir_.Write("d.PRN",
                                        "0x01\t0x05\t1,5\t0\t01.02.2020\t10:00:00 0\r\n"
                                        "0x01\t0x15\t230,0\t1\t01.02.2020\t10:00:05 0\r\n"
                                        "0x01\t0x05\t2,5\t0\t01.02.2020\t10:01:00 0\r\n"
                                        "0x01\t0x05\t9,5\t0\t01.02.2020\t09:00:00 0\r\n");
    prompt_.QueueFile(QString::fromStdString(path));
    TDataPages& pages = Pages();
    pages.MTabOpenClick();

    EXPECT_EQ(Form().Shared().DataFileName(), QString::fromStdString(path));
    ASSERT_EQ(prompt_.MessageCount(), 1);  // one record went back in time
    EXPECT_EQ(prompt_.Log().back().caption, "TMForm::ReadFile()");
    EXPECT_EQ(pages.MTabGrid->model()->rowCount(), 2);
    EXPECT_EQ(pages.MTabGrid->model()->index(1, 2).data().toString(), "2.500  A");
    EXPECT_TRUE(pages.MTabSelect->isEnabled());
    EXPECT_TRUE(pages.MTabSelect->itemText(0).endsWith("  #2"));
    EXPECT_TRUE(pages.MGrSelect->itemText(1).endsWith("  #1"));
    EXPECT_EQ(pages.Graph().points, 2);
    EXPECT_TRUE(pages.MGrLupaP->isEnabled());
    EXPECT_FALSE(Form().Shared().Info().isVisible());  // the fill closed the progress dialog

    // A choice in the graph's list moves the table's list and refills the table.
    pages.MGrSelect->setCurrentIndex(1);
    pages.MGrSelectChange();
    EXPECT_EQ(pages.SelectedQuantity(), 1);
    EXPECT_EQ(pages.MTabSelect->currentIndex(), 1);
    EXPECT_EQ(pages.MTabGrid->model()->rowCount(), 1);
    EXPECT_EQ(pages.MTabGrid->model()->index(0, 3).data().toString(), "High");
    EXPECT_EQ(pages.Graph().points, 1);
    EXPECT_FALSE(pages.MGrLupaP->isEnabled());
}

TEST_F(DataPagesTest, AFileThatCannotBeReadEmptiesThePages) {
    const std::string good = dir_.Write("g.PRN", "0x01\t0x05\t1,5\t0\t01.02.2020\t10:00:00 0\n");
    prompt_.QueueFile(QString::fromStdString(good));
    TDataPages& pages = Pages();
    pages.MTabOpenClick();
    ASSERT_EQ(pages.MTabGrid->model()->rowCount(), 1);

    const std::string missing = dir_.File("missing.PRN");
    prompt_.QueueFile(QString::fromStdString(missing));
    pages.MTabOpenClick();
    ASSERT_EQ(prompt_.MessageCount(), 1);
    EXPECT_EQ(prompt_.Log().back().text,
              QString::fromStdString("Nelze otevřít soubor  " + missing + "  !"));
    EXPECT_EQ(pages.MTabGrid->model()->rowCount(), 0);
    EXPECT_EQ(pages.Records().Count(), 0);
    EXPECT_EQ(pages.Graph().points, 0);
    EXPECT_TRUE(Form().Shared().DataFileName().isEmpty());
    EXPECT_EQ(pages.MTabGrid->toolTip(), "Soubor dat:  ???");
}

}  // namespace
}  // namespace qx::test
