#pragma once
// The table fill: counts the records of each quantity, finds the first and last record of the
// selected one and reports its progress, so that a long fill can be cancelled. The table itself
// formats its rows when they are shown.

#include "common/core/progress.h"
#include "common/core/data_record.h"
#include "data/core/shown_records.h"

namespace qx {

struct TableFillOutcome {
    ShownRecords shown;
    int rows = 0;            // records of the selected quantity passed before the end or the cancel
    bool cancelled = false;  // the list has been emptied
};

TableFillOutcome TableFill(RecordList& list, int quantity, Progress& progress);

}  // namespace qx
