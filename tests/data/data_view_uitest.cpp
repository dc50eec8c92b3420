#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "data/core/graph_prep.h"
#include "data/ui/graph_view.h"
#include "data/ui/record_table_model.h"
#include "record_maker.h"

namespace qx {
namespace {

using test::R;

QApplication& App() {
    static int argc = 1;
    static char name[] = "data_view_uitest";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

TEST(DataViews, GraphViewPaintsTheDisplayListIntoAnImage) {
    App();
    RecordList list;
    const double day = 86400.0 * 3000;
    list.records = {R(1, day, -10.0), R(1, day + 60, 10.0)};
    GraphState state;
    int quantity = 1;
    PrepareGraph(state, list.records, CountShown(list.records, 1), true, true);
    TGraphView view;
    view.SetSource(&state, &list, &quantity);
    view.SetPanelSize({397, 208});
    QImage image(394, 191, QImage::Format_RGB32);
    QPainter painter(&image);
    view.Paint(painter, image.rect());
    painter.end();
    // Plot 50..367 x 25..163, values -10..10: yellow above zero, aqua below, white outside.
    EXPECT_EQ(image.pixelColor(300, 40), QColor(Qt::yellow));
    EXPECT_EQ(image.pixelColor(100, 150), QColor(0, 255, 255));
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::white));
    // The curve rises through the middle of the plot, black between the limit lines.
    EXPECT_EQ(image.pixelColor(208, 94), QColor(Qt::black));
}

TEST(DataViews, TableModelFormatsTheRowsOfOneQuantity) {
    App();
    RecordList list;
    list.records = {R(1, 86400.0, 5.0, 2), R(2, 86400.0, 7.0), R(1, 86400.5, 12000.0)};
    RecordTableModel model;
    model.Fill(list, 1);
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.columnCount(), 6);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Položka");
    EXPECT_EQ(model.data(model.index(1, 0), Qt::DisplayRole).toString(), "2");
    EXPECT_EQ(model.data(model.index(0, 2), Qt::DisplayRole).toString(), "5.000  V");
    EXPECT_EQ(model.data(model.index(0, 3), Qt::DisplayRole).toString(), "Low");
    EXPECT_EQ(model.data(model.index(1, 3), Qt::DisplayRole).toString(), "High");
    EXPECT_EQ(model.data(model.index(1, 5), Qt::DisplayRole).toString(), "00:00:00.5");
    list.records.clear();  // an emptied list is never read through old rows
    EXPECT_FALSE(model.data(model.index(1, 2), Qt::DisplayRole).isValid());
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
}

}  // namespace
}  // namespace qx
