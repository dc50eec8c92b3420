// Paints the Graph page's view with 1,000,000 points in the window into a 1920 x 1080 image the
// way the page paints it (display list from the graph state, replayed with QPainter), and prints
// the first paint and the median of several paints, with the share of the list build.
//
// Usage: graph_image_bench_ui [points] [paints] [out.png]

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/graph_bench_records.h"
#include "bench/quiet_progress.h"
#include "data/core/graph_paint.h"
#include "data/core/graph_prep.h"
#include "data/ui/graph_view.h"

using qx::bench::Ms;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int points = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int paints = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
    const char* out = argc > 3 ? argv[3] : nullptr;
    const int width = 1920, height = 1080;

    const qx::RecordList list = GraphBenchRecords(points);
    const int quantity = 1;
    const qx::ShownRecords shown = qx::CountShown(list.records, quantity);
    qx::GraphState state;
    auto start = std::chrono::steady_clock::now();
    qx::PrepareGraph(state, list.records, shown, true, true);
    const double prepare = Ms(std::chrono::steady_clock::now() - start);

    qx::GraphView view;
    view.SetPanelSize({width, height});
    view.SetSource(&state, &list, &quantity);
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);

    std::vector<double> times;
    for (int i = 0; i < paints; ++i) {
        start = std::chrono::steady_clock::now();
        QPainter painter(&image);
        view.Paint(painter, QRect(0, 0, width, height));
        painter.end();
        times.push_back(Ms(std::chrono::steady_clock::now() - start));
    }
    // The share of the display list build alone, for the same picture into a list kept.
    const qx::PlotArea area = qx::GraphPlotArea(width, height);
    qx::DisplayList display;
    std::vector<double> builds;
    for (int i = 0; i < paints; ++i) {
        start = std::chrono::steady_clock::now();
        qx::PaintGraph(state, list.records, quantity, area, display);
        builds.push_back(Ms(std::chrono::steady_clock::now() - start));
    }
    std::sort(builds.begin(), builds.end());
    const double build = builds[builds.size() / 2];
    const std::size_t items = display.Items().size();
    if (out != nullptr) image.save(out);

    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    std::printf("points in the window %d, image %d x %d, display items %zu\n", state.points, width,
                height, items);
    std::printf("graph preparation:  %.2f ms\n", prepare);
    std::printf("display list build: median %.2f ms\n", build);
    std::printf(
        "paint into image:   first %.2f ms, median %.2f ms of %d, min %.2f ms "
        "(goal <= 16 ms)\n",
        times.front(), sorted[sorted.size() / 2], paints, sorted.front());
    return 0;
}
