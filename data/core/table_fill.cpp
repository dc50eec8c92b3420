#include "data/core/table_fill.h"

#include <cstdio>
#include <string>

#include "link/core/string_format.h"

namespace qx {
TableFillOutcome TableFill(RecordList& list, int quantity, Progress& progress) {
    TableFillOutcome outcome;
    const int total = list.Count();
    // After a read the dialog is still open and carries on with this step.
    if (progress.Visible()) {
        progress.AddLine("", 0, total);
        progress.AddLine("Čtení hodnot do tabulky", -1);
    } else {
        progress.Open("Čtení hodnot do tabulky", total);
    }
    const int step = total > 1000 ? 100 : total > 200 ? 50 : 10;
    ShownRecords& shown = outcome.shown;
    shown.quantity = quantity & 7;
    int n = 0;
    for (int i = 0; i < list.Count(); ++i) {
        const int q = list.records[static_cast<std::size_t>(i)].Quantity();
        ++shown.counts[q];
        if (q != shown.quantity) continue;
        ++n;
        if (shown.first < 0) shown.first = i;
        shown.last = i;
        if (n % step != 0) continue;
        if (progress.Cancelled()) {
            outcome.cancelled = true;
            list.records.clear();
            break;
        }
        progress.AddLine(Format(" %i  záznamů", n), n);
    }
    if (outcome.cancelled) outcome.shown = ShownRecords{};
    outcome.shown.quantity = quantity & 7;
    outcome.rows = n;
    progress.AddLine(Format("Celkem %i  záznamů ", n), total);
    progress.Pause(1500);
    progress.Finish(false);
    return outcome;
}

}  // namespace qx
