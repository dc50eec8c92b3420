#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QWheelEvent>

#include "common/ui/tminfo_form.h"
#include "data/ui/data_view.h"
#include "data/ui/graph_page.h"
#include "data/ui/graph_view.h"
#include "data/ui/table_page.h"
#include "tests/app/form_fixture.h"
#include "tests/support/temp_dir.h"

// Fontconfig keeps a cache for the life of the process that the leak checker reports at exit;
// it is the system library's, not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace qx::test {
namespace {

// The two pages with the view they share.
struct DataPages {
    TablePage& table;
    GraphPage& graph;
    DataView& view;
};

class DataPagesTest : public FormTest {
  protected:
    DataPages Pages() {
        TMForm& form = Form();
        if (!paused_) form.MTableSh->View().SetPause([](int) {});
        paused_ = true;
        return {*form.MTableSh, *form.MGraphSh, form.MTableSh->View()};
    }

    bool paused_ = false;
    qx::test::TempDir dir_;
};

TEST_F(DataPagesTest, OpeningAFileFillsTableGraphAndBothLists) {
    const std::string path = dir_.Write("d.PRN",
                                        "0x01\t0x05\t1,5\t0\t01.02.2020\t10:00:00 0\r\n"
                                        "0x01\t0x15\t230,0\t1\t01.02.2020\t10:00:05 0\r\n"
                                        "0x01\t0x05\t2,5\t0\t01.02.2020\t10:01:00 0\r\n"
                                        "0x01\t0x05\t9,5\t0\t01.02.2020\t09:00:00 0\r\n");
    prompt_.QueueFile(QString::fromStdString(path));
    DataPages pages = Pages();
    pages.table.MTabOpenClick();

    EXPECT_EQ(Form().Shared().DataFileName(), QString::fromStdString(path));
    ASSERT_EQ(prompt_.MessageCount(), 1);  // one record went back in time
    EXPECT_EQ(prompt_.Log().back().caption, "TMForm::ReadFile()");
    EXPECT_EQ(pages.table.MTabGrid->model()->rowCount(), 2);
    EXPECT_EQ(pages.table.MTabGrid->model()->index(1, 2).data().toString(), "2.500  A");
    EXPECT_TRUE(pages.table.MTabSelect->isEnabled());
    EXPECT_TRUE(pages.table.MTabSelect->itemText(0).endsWith("  #2"));
    EXPECT_TRUE(pages.graph.MGrSelect->itemText(1).endsWith("  #1"));
    EXPECT_EQ(pages.view.Graph().points, 2);
    EXPECT_TRUE(pages.graph.MGrLupaP->isEnabled());
    EXPECT_FALSE(Form().Shared().Info().isVisible());  // the fill closed the progress dialog

    // A choice in the graph's list moves the table's list and refills the table.
    pages.graph.MGrSelect->setCurrentIndex(1);
    pages.graph.MGrSelectChange();
    EXPECT_EQ(pages.view.SelectedQuantity(), 1);
    EXPECT_EQ(pages.table.MTabSelect->currentIndex(), 1);
    EXPECT_EQ(pages.table.MTabGrid->model()->rowCount(), 1);
    EXPECT_EQ(pages.table.MTabGrid->model()->index(0, 3).data().toString(), "High");
    EXPECT_EQ(pages.view.Graph().points, 1);
    EXPECT_FALSE(pages.graph.MGrLupaP->isEnabled());

    // Back to the two records: Ctrl+C on the grid copies the selected rows with a header, and
    // the wheel over the graph zooms in as "Lupa +" does, the buttons and the bar following.
    pages.graph.MGrSelect->setCurrentIndex(0);
    pages.graph.MGrSelectChange();
    Present({0});  // the activation of the window applies the settings: a port must be there
    Form().show();
    Form().MPage->setCurrentWidget(Form().MTableSh);
    Form().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Form()));
    pages.table.MTabGrid->setFocus();
    pages.table.MTabGrid->selectRow(1);
    QTest::keyClick(pages.table.MTabGrid, Qt::Key_C, Qt::ControlModifier);
    const QStringList copied = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
    ASSERT_GE(copied.size(), 2);
    EXPECT_TRUE(copied[0].startsWith(QStringLiteral("Veličina\t"))) << copied[0].toStdString();
    EXPECT_TRUE(copied[1].contains(QStringLiteral("2,5"))) << copied[1].toStdString();
    const double span = pages.view.Graph().Span();
    const QPointF at(60, 100);
    QWheelEvent wheel(at, pages.graph.MGrView->mapToGlobal(at), {}, {0, 120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(pages.graph.MGrView, &wheel);
    EXPECT_LT(pages.view.Graph().Span(), span);
    EXPECT_TRUE(pages.graph.MGrLupaM->isEnabled());
    EXPECT_TRUE(pages.graph.MGrScroll->isEnabled());
    EXPECT_FALSE(Form().MStatusBar->currentMessage().isEmpty());  // the pointer's read-out

    // The columns are wider than the grid at the design size and keep their fitted widths; in
    // a larger window the last one takes the room that is left.
    QHeaderView* header = pages.table.MTabGrid->horizontalHeader();
    const int lastWidth = header->sectionSize(5);
    EXPECT_GE(lastWidth, 84);
    EXPECT_GT(header->length(), pages.table.MTabGrid->viewport()->width());
    Form().resize(1000, 700);
    QApplication::processEvents();
    EXPECT_EQ(header->length(), pages.table.MTabGrid->viewport()->width());
    EXPECT_GT(header->sectionSize(5), lastWidth);
    for (const int quantity : {1, 0}) {  // filled anew in the larger grid
        pages.table.MTabSelect->setCurrentIndex(quantity);
        pages.table.MTabSelectChange();
    }
    EXPECT_EQ(header->length(), pages.table.MTabGrid->viewport()->width());
    Form().resize(431, 314);
    QApplication::processEvents();
    EXPECT_EQ(header->sectionSize(5), lastWidth);
}

// The table's menu offers "Kopírovat" for a selection, "Exportovat do CSV…" for rows shown and
// "Exportovat všechny záznamy do CSV…" for any record loaded.
std::vector<bool> MenuEnabled(DataPages pages) {
    QMenu menu;
    pages.table.FillTableMenu(menu);
    std::vector<bool> enabled;
    for (const QAction* action : menu.actions()) {
        if (!action->isSeparator()) enabled.push_back(action->isEnabled());
    }
    return enabled;
}

TEST_F(DataPagesTest, AFileThatCannotBeReadEmptiesThePages) {
    DataPages pages = Pages();
    EXPECT_EQ(MenuEnabled(pages), (std::vector<bool>{false, false, false}));
    // Only voltage: the table of current is empty, yet there are records to export.
    const std::string voltage =
        dir_.Write("u.PRN", "0x01\t0x15\t230,0\t0\t01.02.2020\t10:00:00 0\n");
    prompt_.QueueFile(QString::fromStdString(voltage));
    pages.table.MTabOpenClick();
    ASSERT_EQ(pages.table.MTabGrid->model()->rowCount(), 0);
    EXPECT_EQ(MenuEnabled(pages), (std::vector<bool>{false, false, true}));
    prompt_.ClearLog();
    pages.table.MTabExportClick(pages.view.SelectedQuantity());  // reached otherwise, still nothing
    EXPECT_TRUE(prompt_.Log().empty());

    const std::string good = dir_.Write("g.PRN", "0x01\t0x05\t1,5\t0\t01.02.2020\t10:00:00 0\n");
    prompt_.QueueFile(QString::fromStdString(good));
    pages.table.MTabOpenClick();
    ASSERT_EQ(pages.table.MTabGrid->model()->rowCount(), 1);
    EXPECT_EQ(MenuEnabled(pages), (std::vector<bool>{false, true, true}));
    prompt_.ClearLog();

    const std::string missing = dir_.File("missing.PRN");
    prompt_.QueueFile(QString::fromStdString(missing));
    pages.table.MTabOpenClick();
    ASSERT_EQ(prompt_.MessageCount(), 1);
    EXPECT_EQ(prompt_.Log().back().text,
              QString::fromStdString("Nelze otevřít soubor  " + missing + "  !"));
    EXPECT_EQ(pages.table.MTabGrid->model()->rowCount(), 0);
    EXPECT_EQ(pages.view.Records().Count(), 0);
    EXPECT_EQ(pages.view.Graph().points, 0);
    EXPECT_TRUE(Form().Shared().DataFileName().isEmpty());
    EXPECT_EQ(pages.table.MTabGrid->toolTip(), "Soubor dat:  ???");
    EXPECT_EQ(MenuEnabled(pages), (std::vector<bool>{false, false, false}));
}

// The progress dialog lets events through while a file is read: a second "Načíst ze souboru"
// or a quantity chosen then is not taken, so the list never changes under the running read.
TEST_F(DataPagesTest, NoSecondReadWhileAFileIsRead) {
    const std::string first = dir_.Write("a.PRN", "0x01\t0x05\t1,5\t0\t01.02.2020\t10:00:00 0\n");
    const std::string second = dir_.Write("b.PRN", "0x01\t0x15\t2,5\t0\t01.02.2020\t10:00:00 0\n");
    DataPages pages = Pages();
    bool tried = false;
    pages.view.SetPause([&](int) {  // the pause at the end of the read, which delivers events
        if (tried) return;
        tried = true;
        prompt_.QueueFile(QString::fromStdString(second));
        pages.table.MTabOpenClick();
        pages.graph.MGrSelect->setCurrentIndex(1);
        pages.graph.MGrSelectChange();
    });
    prompt_.QueueFile(QString::fromStdString(first));
    pages.table.MTabOpenClick();
    ASSERT_TRUE(tried);
    EXPECT_EQ(Form().Shared().DataFileName(), QString::fromStdString(first));
    EXPECT_EQ(pages.view.Records().Count(), 1);
    EXPECT_EQ(pages.view.Records().records[0].Quantity(), 0);
    EXPECT_EQ(pages.view.SelectedQuantity(), 0);
    EXPECT_EQ(pages.table.MTabGrid->model()->rowCount(), 1);
}

}  // namespace
}  // namespace qx::test
