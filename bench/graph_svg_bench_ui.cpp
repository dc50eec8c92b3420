// Saves the graph of 1,000,000 points in the window at 1920 x 1080 as SVG, and for comparison as
// PNG and PDF, the way "Uložit obrázek…" does (display list at that size, replayed into the file),
// and prints the seconds and the file sizes.
//
// Usage: graph_svg_bench_ui [points] [runs] [folder]

#include <QApplication>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "bench/graph_bench_records.h"
#include "bench/quiet_progress.h"
#include "data/core/graph_prep.h"
#include "data/ui/graph_export.h"
#include "data/ui/graph_view.h"

using qx::bench::Ms;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int points = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::filesystem::path dir = argc > 3 ? argv[3] : std::filesystem::temp_directory_path();
    const QSize size(1920, 1080);

    const qx::RecordList list = GraphBenchRecords(points);
    const int quantity = 1;
    const qx::ShownRecords shown = qx::CountShown(list.records, quantity);
    qx::GraphState state;
    qx::PrepareGraph(state, list.records, shown, true, true);
    qx::GraphView view;
    view.SetSource(&state, &list, &quantity);

    std::printf("points in the window %d, picture %d x %d\n", state.points, size.width(),
                size.height());
    const struct {
        const char* name;
        qx::GraphPictureFormat format;
        const char* goal;
    } formats[] = {{"svg", qx::GraphPictureFormat::Svg, " (goal <= 0.5 s, <= 2 MB)"},
                   {"png", qx::GraphPictureFormat::Png, ""},
                   {"pdf", qx::GraphPictureFormat::Pdf, ""}};
    for (const auto& f : formats) {
        const QString path = QString::fromStdString((dir / "graph_svg_bench.").string()) + f.name;
        std::vector<double> times;
        std::size_t items = 0;
        for (int run = 0; run < runs; ++run) {
            const auto start = std::chrono::steady_clock::now();
            const qx::DisplayList picture = view.Picture(size);
            const QString error = qx::SaveGraphPicture(path, f.format, picture, size);
            times.push_back(Ms(std::chrono::steady_clock::now() - start));
            items = picture.Items().size();
            if (!error.isEmpty()) {
                std::fprintf(stderr, "%s\n", qPrintable(error));
                return 1;
            }
        }
        std::sort(times.begin(), times.end());
        std::printf("%s: median %.3f s of %d (list and file), %lld bytes, %zu display items%s\n",
                    f.name, times[times.size() / 2] / 1000, runs,
                    static_cast<long long>(QFileInfo(path).size()), items, f.goal);
        if (std::getenv("GRAPH_BENCH_KEEP") == nullptr) std::filesystem::remove(path.toStdString());
    }
    return 0;
}
