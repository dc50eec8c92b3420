#pragma once
// The graph of the selected quantity as a display list: plot area, background split at zero,
// time and value grids with their labels, axes, the curve coloured by the limit lines, markers
// and the minimum, average and maximum of the visible values.

#include <span>

#include "common/core/display_list.h"
#include "common/core/data_record.h"
#include "data/core/graph_state.h"

namespace qx {

struct PlotArea {
    int left = 50, right = 450, top = 25, bottom = 190;
};

// The plot area inside a panel whose client area is width x height pixels.
PlotArea GraphPlotArea(int clientWidth, int clientHeight);

// Appends one curve segment coloured by the limit lines: blue above yHigh, red below yLow, black
// between; pixel coordinates with y growing downwards. A segment of no length draws nothing.
void LimitColouredSegment(DisplayList& list, int x1, int y1, int x2, int y2, int yHigh, int yLow);

// Builds the whole picture. With `textWidth` the statistics texts are kept apart by their
// measured widths; without it they stand at their fixed positions. Where many points share a pixel
// column, the column is drawn as the span of their values (in the colours of the limit zones) and
// the step to the next column, which is what drawing every segment there would show; a column with
// one point is drawn segment by segment.
DisplayList PaintGraph(const GraphState& state, std::span<const DataRecord> records, int quantity,
                       const PlotArea& area, const TextWidth& textWidth = {});
// The same into `list`, which is emptied first; a list kept from paint to paint keeps its memory.
void PaintGraph(const GraphState& state, std::span<const DataRecord> records, int quantity,
                const PlotArea& area, DisplayList& list, const TextWidth& textWidth = {});

}  // namespace qx
