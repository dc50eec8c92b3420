#pragma once
// The graph's preparation, zoom and scroll: pure computations on the graph state from the record
// list and the selected quantity.

#include <span>

#include "common/core/data_record.h"
#include "data/core/graph_state.h"
#include "data/core/shown_records.h"

namespace qx {

// Time grid for a window span s: the labelled step and the tick step from the table of steps.
void ChooseTimeSteps(double span, double& step, double& tickStep);

// recompute: choose the window (whole data when reset, else the current window clamped to the
// data) with its time grid and scroll position; reset: also estimate the limit lines again.
// When all records share one time stamp on a whole time step, the window would have no width;
// it is then widened by one time step on each side, so the points stand in the middle.
void PrepareGraph(GraphState& state, std::span<const DataRecord> records, const ShownRecords& shown,
                  bool recompute, bool reset);

// "Lupa -": twice the span; "Lupa +": half the span around the same centre.
void ZoomOut(GraphState& state, std::span<const DataRecord> records, const ShownRecords& shown);
void ZoomIn(GraphState& state, std::span<const DataRecord> records, const ShownRecords& shown);

enum class ScrollCode { LineUp, LineDown, PageUp, PageDown, ThumbPosition, ThumbTrack, Other };

// Moves the window without changing its span. Returns false when nothing happened; otherwise the
// state holds the new window and state.scrollPos the scroll bar's new position.
bool ScrollGraph(GraphState& state, std::span<const DataRecord> records, const ShownRecords& shown,
                 ScrollCode code, int position);

}  // namespace qx
