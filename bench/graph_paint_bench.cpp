// Builds the graph's display list with 1,000,000 points in the window and prints the time of
// the preparation and of the paint, and the number of display items.
//
// Usage: graph_paint_bench [points] [width] [height]

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "data/core/graph_paint.h"
#include "data/core/graph_prep.h"

namespace {
// Processor time: on a shared machine the wall clock mostly measures the neighbours.
double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + t.tv_nsec * 1e-6;
}
}  // namespace

int main(int argc, char** argv) {
    const int points = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int width = argc > 2 ? std::atoi(argv[2]) : 1920;
    const int height = argc > 3 ? std::atoi(argv[3]) : 1080;
    std::vector<qx::DataRecord> records(static_cast<std::size_t>(points));
    for (int i = 0; i < points; ++i) {
        qx::DataRecord& r = records[static_cast<std::size_t>(i)];
        r.config = 0x15;
        r.stamp = 86400.0 * 8000 + i * 0.5;
        r.value = 50 * std::sin(i * 0.001) + 10 * std::sin(i * 0.37);
        r.limit = r.value > 40 ? 1 : r.value < -40 ? 2 : 0;
    }
    const qx::ShownRecords shown = qx::CountShown(records, 1);
    qx::GraphState state;

    double start = CpuMs();
    qx::PrepareGraph(state, records, shown, true, true);
    const double prepare = CpuMs() - start;

    const qx::PlotArea area = qx::GraphPlotArea(width, height);
    const int runs = 10;
    std::size_t items = 0;
    start = CpuMs();
    for (int i = 0; i < runs; ++i)
        items = qx::PaintGraph(state, records, 1, area).Items().size();
    const double paint = (CpuMs() - start) / runs;

    std::printf("points in the window %d, plot %d x %d\n", state.points, area.right - area.left,
                area.bottom - area.top);
    std::printf("graph preparation:        %.2f ms cpu\n", prepare);
    std::printf("display list build:       %.2f ms cpu (%zu items)\n", paint, items);
    return 0;
}
