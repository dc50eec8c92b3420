// Switches the selected quantity over 1,000,000 loaded records of several quantities and prints
// how long it takes until the table is ready: the table fill (counts and the selected range), the
// model reset with a table view attached, and the graph preparation, as the pages do it on a
// change of the quantity lists. The fixed pauses that leave the log readable are not counted.
//
// Usage: quantity_switch_bench_ui [records] [switches]

#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/quiet_progress.h"
#include "common/core/progress.h"
#include "common/ui/info_progress.h"
#include "common/ui/tminfo_form.h"
#include "data/core/graph_prep.h"
#include "data/core/table_fill.h"
#include "data/ui/record_table_model.h"

using qx::bench::Ms;
using qx::bench::QuietProgress;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int switches = argc > 2 ? std::atoi(argv[2]) : 12;

    // Four quantities interleaved as a logger schedule with four entries writes them.
    const int quantities[] = {0, 1, 5, 7};
    qx::RecordList list;
    list.records.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        qx::DataRecord& r = list.records[static_cast<std::size_t>(i)];
        r.config = static_cast<std::uint8_t>(quantities[i % 4] << 4 | 3);
        r.stamp = 86400.0 * 9000 + (i / 4);
        r.value = 100 * std::sin(i * 0.0007);
        r.limit = r.value > 90 ? 1 : r.value < -90 ? 2 : 0;
    }

    qx::RecordTableModel model;
    QTableView view;
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(18);
    view.verticalHeader()->hide();
    view.setModel(&model);
    view.resize(290, 230);
    view.show();
    QApplication::processEvents();

    qx::GraphState graph;
    // Once with a progress sink that shows nothing (the work itself), once with the progress
    // dialog that the page uses, whose log lines and event deliveries are part of a switch.
    QuietProgress quiet;
    qx::TMInfoForm dialog;
    qx::InfoProgress shownProgress(dialog, [](int) {});
    struct Run {
        const char* name;
        qx::Progress* progress;
    };
    std::printf("records %d, quantities 4, switches %d each\n", count, switches);
    for (const Run& run :
         {Run{"without the dialog", &quiet}, Run{"with the dialog", &shownProgress}}) {
        std::vector<double> times;
        for (int s = 0; s < switches; ++s) {
            const int quantity = quantities[(s + 1) % 4];
            const auto start = std::chrono::steady_clock::now();
            const qx::TableFillOutcome outcome = qx::TableFill(list, quantity, *run.progress);
            model.Fill(list, quantity);
            qx::PrepareGraph(graph, list.records, outcome.shown, true, true);
            QApplication::processEvents();  // the view lays out its new rows
            times.push_back(Ms(std::chrono::steady_clock::now() - start));
        }
        std::vector<double> sorted = times;
        std::sort(sorted.begin(), sorted.end());
        std::printf("%-20s first %.2f ms, median %.2f ms, max %.2f ms (goal <= 50 ms)\n", run.name,
                    times.front(), sorted[sorted.size() / 2], sorted.back());
    }
    return 0;
}
