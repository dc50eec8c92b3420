#pragma once
// The graph of the selected quantity as a display list: plot area, background split at zero,
// time and value grids with their labels, axes, the curve coloured by the limit lines, markers
// and the minimum, average and maximum of the visible values.

#include <span>
#include <string>
#include <string_view>

#include "common/core/data_record.h"
#include "common/core/display_list.h"
#include "data/core/graph_state.h"

namespace qx {

struct PlotArea {
    int left = 50, right = 450, top = 25, bottom = 190;
};

// The plot area inside a panel whose client area is width x height pixels.
PlotArea GraphPlotArea(int clientWidth, int clientHeight);

// The paint box sits at the top left of its panel, with the scroll bar's band under it; the
// panel's client area, which places the plot, is the paint box grown by these pixels (394 x 191
// in 397 x 208 as laid out).
constexpr int kGraphPanelExtraWidth = 3;
constexpr int kGraphPanelExtraHeight = 17;
// The plot area of a picture of width x height pixels: where a paint box of that size puts it.
PlotArea GraphPictureArea(int width, int height);

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
// The picture a paint box of width x height pixels shows; saved and printed pictures are built
// by it, so that they are what the screen shows at that size.
DisplayList GraphPicture(const GraphState& state, std::span<const DataRecord> records, int quantity,
                         int width, int height, const TextWidth& textWidth = {});

// A saved or printed graph is read away from the program: a heading band above the picture
// names what it shows. The screen has none.
constexpr int kGraphHeadingHeight = 18;  // px
// "Proud  [A]   07.12.2026 12:00:00 – 13:00:00   stazeno.PRN": the quantity with its unit, the
// time window shown (the end's date only when it differs; none without records) and the data
// file's name (none without one).
std::string GraphHeadingText(const GraphState& state, int quantity, std::string_view fileName);
// The picture of a paint box of width x height pixels under the heading band: width x (height +
// kGraphHeadingHeight) pixels. With `textWidth`, a file name too long for the width is shortened
// in the middle.
DisplayList GraphExportPicture(const GraphState& state, std::span<const DataRecord> records,
                               int quantity, int width, int height, std::string_view fileName,
                               const TextWidth& textWidth = {});

}  // namespace qx
