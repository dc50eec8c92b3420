#pragma once
// What the mouse and the keys do on the graph, as computations on the graph state: the wheel
// zooms like "Lupa +" and "Lupa -", dragging and the keys scroll like the scroll bar, and the
// pointer's place reads out as a date, a time and a value. The view maps its events to these and
// then updates the scroll bar and the buttons from the state, as after a click on them.

#include <span>
#include <string>

#include "common/core/data_record.h"
#include "data/core/graph_paint.h"
#include "data/core/graph_state.h"
#include "data/core/shown_records.h"

namespace qx {

// The time (s, time stamp) under pixel column x and the value under pixel row y of a picture
// whose plot is `area`, on the scales the paint uses.
double TimeAtPixel(const GraphState& state, const PlotArea& area, int x);
double ValueAtPixel(const GraphState& state, const PlotArea& area, int y);

// One wheel notch: "Lupa +" (direction > 0) or "Lupa -" (direction < 0), with the same halving
// and doubling of the span, but around the time under pixel column x rather than the window's
// centre; as for the buttons, the window is then rounded to its time steps and kept within the
// data, and a zoom out that meets one end of the data grows at the other. Nothing happens (false)
// where the button is disabled.
bool WheelZoom(GraphState& state, std::span<const DataRecord> records, const ShownRecords& shown,
               const PlotArea& area, int direction, int x);

// Where a drag began: the pointer's column and the window start at the press.
struct GraphDrag {
    int x = 0;
    double windowStart = 0.0;  // s
};
GraphDrag StartGraphDrag(const GraphState& state, int x);
// Moves the window so that the time under the press follows the pointer, by whole time steps,
// through the scroll bar's thumb positions: the window lands where dragging the thumb would put
// it, and state.scrollPos is the thumb's new position. False when the window did not move.
bool DragGraph(GraphState& state, std::span<const DataRecord> records, const ShownRecords& shown,
               const PlotArea& area, const GraphDrag& drag, int x);

enum class GraphKey { Left, Right, Up, Down, PageUp, PageDown, Home, End, Plus, Minus };

// The scroll bar's keys (arrows a time step, Page Up and Page Down a window, Home and End the ends
// of the data) and "+" and "-" for "Lupa +" and "Lupa -". False when nothing changed, as for a key
// whose scroll bar or button is disabled.
bool GraphKeyPress(GraphState& state, std::span<const DataRecord> records,
                   const ShownRecords& shown, GraphKey key);

// The status bar's text for the pointer at pixel (x, y): date, time with tenths and value with
// its unit, as the table writes them; empty outside the plot area.
std::string GraphReadOut(const GraphState& state, const PlotArea& area, int quantity, int x, int y);

}  // namespace qx
