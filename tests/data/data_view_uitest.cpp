#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QSignalSpy>
#include <QTableView>
#include <QWheelEvent>
#include <QXmlStreamReader>
#include <cmath>
#include <filesystem>

#include "data/core/graph_prep.h"
#include "data/ui/graph_export.h"
#include "data/ui/graph_view.h"
#include "data/ui/record_table_model.h"
#include "data/ui/table_export.h"
#include "record_maker.h"
#include "tests/support/fake_progress.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui/scripted_prompt.h"

namespace qx {
namespace {

using test::R;

QApplication& App() {
    static int argc = 1;
    static char name[] = "data_view_uitest";
    static char* argv[] = {name, nullptr};
    // Never destroyed: input devices made for the events would outlive it at exit and crash there.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

TEST(DataViews, GraphViewPaintsTheDisplayListIntoAnImage) {
    App();
    RecordList list;
    const double day = 86400.0 * 3000;
    list.records = {R(1, day, -10.0), R(1, day + 60, 10.0)};
    GraphState state;
    int quantity = 1;
    PrepareGraph(state, list.records, CountShown(list.records, 1), true, true);
    GraphView view;
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

// A graph whose curve crosses both limit lines, prepared for the whole data.
struct Graph {
    RecordList list;
    GraphState state;
    ShownRecords shown;
    int quantity = 1;
    GraphView view;
    Graph() {
        for (int i = 0; i < 400; ++i) {
            const double v = 10 * std::sin(i * 0.05);
            list.records.push_back(R(1, 86400.0 * 3000 + 10 * i, v, v > 7 ? 1 : v < -7 ? 2 : 0));
        }
        shown = CountShown(list.records, quantity);
        PrepareGraph(state, list.records, shown, true, true);
        view.SetSource(&state, &list, &quantity);
    }
};

int PdfPages(const std::string& bytes) {
    int pages = 0;
    for (std::size_t at = 0; (at = bytes.find("/Type /Page", at)) != std::string::npos; ++at)
        pages += bytes.compare(at, 12, "/Type /Pages") != 0;
    return pages;
}

// PNG, SVG, PDF and print replay the list the view paints; a failed save leaves the old file.
TEST(DataViews, GraphPicturesReplayWhatTheViewPaints) {
    App();
    Graph g;
    const QSize size(394, 191);
    QImage screen(size, QImage::Format_RGB32);
    QPainter painter(&screen);
    g.view.Paint(painter, screen.rect());
    painter.end();
    const DisplayList list = g.view.Picture(size);
    ASSERT_EQ(GraphImage(list, size), screen);

    test::TempDir dir;
    const QString png = QString::fromStdString(dir.File("graf.png"));
    ASSERT_EQ(SaveGraphPicture(png, GraphPictureFormat::Png, list, size).toStdString(), "");
    EXPECT_EQ(QImage(png).convertToFormat(QImage::Format_RGB32), screen);

    const QString svg = QString::fromStdString(dir.File("graf.svg"));
    ASSERT_EQ(SaveGraphPicture(svg, GraphPictureFormat::Svg, list, size).toStdString(), "");
    QXmlStreamReader xml(QByteArray::fromStdString(test::TempDir::Read(svg.toStdString())));
    int curve = 0;  // pieces drawn with the curve's 3-pixel pen
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("g") &&
            xml.attributes().value("stroke-width") == QLatin1String("3"))
            ++curve;
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(curve, 0);

    const QString pdf = QString::fromStdString(dir.File("graf.pdf"));
    ASSERT_EQ(SaveGraphPicture(pdf, GraphPictureFormat::Pdf, list, size).toStdString(), "");
    EXPECT_EQ(PdfPages(test::TempDir::Read(pdf.toStdString())), 1);
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(dir.File("tisk.pdf")));
    ASSERT_TRUE(PrintGraph(printer, list, size));
    EXPECT_EQ(PdfPages(dir.Read(dir.File("tisk.pdf"))), 1);

    {
        test::FileSizeLimit full(1000);
        EXPECT_EQ(SaveGraphPicture(png, GraphPictureFormat::Png, list, size).toStdString(),
                  "Chyba zápisu do souboru  " + png.toStdString() + " !");
    }
    EXPECT_EQ(QImage(png).convertToFormat(QImage::Format_RGB32), screen);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("")), {}), 4);

    QString typed = QStringLiteral("graf");
    EXPECT_EQ(GraphPictureFormatOf(typed, GraphPictureChoice({}).filter.section(";;", 1, 1)),
              GraphPictureFormat::Svg);
    EXPECT_EQ(typed, QStringLiteral("graf.svg"));
}

// The wheel zooms, a drag scrolls, the keys act as the scroll bar and the buttons, and the
// pointer reads out; each change is reported for the scroll bar and the buttons to follow.
TEST(DataViews, GraphViewTakesTheWheelDragsAndKeys) {
    App();
    Graph g;
    int changes = 0;
    g.view.resize(394, 191);
    g.view.SetInteraction(&g.state, &g.shown, [&] { ++changes; });
    QSignalSpy readOut(&g.view, &GraphView::ReadOut);
    const double span = g.state.Span();
    const QPointF at(60, 100);
    QWheelEvent wheel(at, g.view.mapToGlobal(at), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&g.view, &wheel);
    EXPECT_EQ(changes, 1);
    EXPECT_LT(g.state.Span(), span);
    EXPECT_EQ(g.state.windowStart, g.state.dataStart);  // zoomed in at the left edge
    ASSERT_FALSE(readOut.isEmpty());
    EXPECT_TRUE(readOut.last().at(0).toString().endsWith(QStringLiteral("  V")));

    const double start = g.state.windowStart;
    // Events sent as they come (QTest's own pointing device would outlive the application).
    auto mouse = [&](QEvent::Type type, QPointF p, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, p, g.view.mapToGlobal(p), button, held, Qt::NoModifier);
        QApplication::sendEvent(&g.view, &event);
    };
    mouse(QEvent::MouseButtonPress, {300, 100}, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {100, 100}, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, {100, 100}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(changes, 2);
    EXPECT_GT(g.state.windowStart, start);  // dragged to the left: later times

    auto key = [&](Qt::Key k) {
        QKeyEvent event(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(&g.view, &event);
    };
    key(Qt::Key_Home);
    EXPECT_EQ(g.state.windowStart, start);
    key(Qt::Key_Minus);
    EXPECT_EQ(g.state.Span(), span);
    EXPECT_EQ(changes, 4);
    mouse(QEvent::MouseMove, {5, 5}, Qt::NoButton, Qt::NoButton);  // outside the plot
    EXPECT_EQ(readOut.last().at(0).toString().toStdString(), "");

    // A context menu takes the pointer, which may then leave unseen: the dashed cross-hair and
    // the read-out go at once, as they go when the window loses the pointer to a dialog.
    const QImage plain = g.view.grab().toImage();
    for (const QEvent::Type taking : {QEvent::ContextMenu, QEvent::WindowDeactivate}) {
        mouse(QEvent::MouseMove, {200, 100}, Qt::NoButton, Qt::NoButton);
        ASSERT_FALSE(readOut.last().at(0).toString().isEmpty());
        ASSERT_NE(g.view.grab().toImage(), plain);
        if (taking == QEvent::ContextMenu) {
            QContextMenuEvent menu(QContextMenuEvent::Mouse, {200, 100},
                                   g.view.mapToGlobal(QPoint(200, 100)));
            QApplication::sendEvent(&g.view, &menu);
        } else {
            QEvent deactivate(taking);
            QApplication::sendEvent(&g.view, &deactivate);
        }
        EXPECT_EQ(readOut.last().at(0).toString().toStdString(), "") << taking;
        EXPECT_EQ(g.view.grab().toImage(), plain) << taking;
    }
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

// Selected rows go to the clipboard; the CSV file takes the separators of the chosen filter and
// an existing file is replaced only when the user agrees.
TEST(DataViews, TableRowsGoToTheClipboardAndTheGraphAndRecordsToFiles) {
    App();
    RecordList list;
    list.records = {R(1, 86400.0, 5.0, 2), R(2, 86400.0, 7.0), R(1, 86400.5, 12.5)};
    RecordTableModel model;
    model.Fill(list, 1);
    QTableView table;
    table.setModel(&model);
    table.selectionModel()->select(model.index(1, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    table.selectionModel()->select(model.index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    CopySelectedRows(table, model, list);
    const std::vector<int> rows = {0, 2};
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), CopyRowsText(list.records, rows));

    test::TempDir dir;
    test::ScriptedPrompt prompt;
    test::FakeProgress progress;
    const QString csv = QString::fromStdString(dir.File("data.csv"));
    prompt.QueueFile(csv, CsvFileChoice({}).filter.section(";;", 1, 1));
    EXPECT_TRUE(ExportCsvWithPrompts(nullptr, list, kAllQuantities, {}, progress).Written());
    const std::string written = dir.Read(csv.toStdString());
    EXPECT_NE(
        written.find("Hodnota,Limit,Datum a čas\r\nNapětí,V,R3_TRMS,5.000,Low,1998-01-01T00:00"),
        std::string::npos)
        << written;
    prompt.QueueFile(csv);
    prompt.QueueAnswer(false);
    EXPECT_EQ(ExportCsvWithPrompts(nullptr, list, 1, {}, progress).status,
              CsvExportResult::Status::Cancelled);
    EXPECT_EQ(dir.Read(csv.toStdString()), written);

    Graph g;
    prompt.QueueFile(QString::fromStdString(dir.File("graf")),
                     GraphPictureChoice({}).filter.section(";;", 2, 2));
    EXPECT_TRUE(SaveGraphWithPrompts(nullptr, g.view.Picture({394, 191}), {394, 191}, {}));
    EXPECT_EQ(PdfPages(dir.Read(dir.File("graf.pdf"))), 1);
    EXPECT_EQ(prompt.MessageCount(), 0);
}

}  // namespace
}  // namespace qx
