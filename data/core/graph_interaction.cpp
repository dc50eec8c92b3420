#include "data/core/graph_interaction.h"

#include <algorithm>
#include <cmath>

#include "data/core/graph_prep.h"
#include "measure/core/text_format.h"

namespace qx {

double TimeAtPixel(const GraphState& s, const PlotArea& a, int x) {
    const int width = a.right - a.left;
    return width > 0 ? s.windowStart + (x - a.left) * s.Span() / width : s.windowStart;
}

double ValueAtPixel(const GraphState& s, const PlotArea& a, int y) {
    const int height = a.bottom - a.top;
    return height > 0 ? s.valueBottom + (a.bottom - y) * (s.valueTop - s.valueBottom) / height
                      : s.valueBottom;
}

bool WheelZoom(GraphState& s, std::span<const DataRecord> records, const ShownRecords& shown,
               const PlotArea& area, int direction, int x) {
    if (direction == 0 || !(direction > 0 ? s.zoomInEnabled : s.scrollEnabled)) return false;
    const double t = std::clamp(TimeAtPixel(s, area, x), s.windowStart, s.windowEnd);
    const double factor = direction > 0 ? 0.5 : 2.0;
    double start = t - (t - s.windowStart) * factor;
    double end = t + (s.windowEnd - t) * factor;
    // The span that leaves the data at one end is given to the other.
    if (start < s.dataStart) {
        end = std::min(end + (s.dataStart - start), s.dataEnd);
        start = s.dataStart;
    } else if (end > s.dataEnd) {
        start = std::max(start - (end - s.dataEnd), s.dataStart);
        end = s.dataEnd;
    }
    s.windowStart = start;
    s.windowEnd = end;
    PrepareGraph(s, records, shown, true, false);
    return true;
}

GraphDrag StartGraphDrag(const GraphState& s, int x) {
    return {x, s.windowStart};
}

bool DragGraph(GraphState& s, std::span<const DataRecord> records, const ShownRecords& shown,
               const PlotArea& area, const GraphDrag& drag, int x) {
    const int width = area.right - area.left;
    const double free = s.dataEnd - s.dataStart - s.Span();
    if (!s.scrollEnabled || width <= 0 || !(free > 0) || !(s.timeStep > 0)) return false;
    // Dragging to the right brings earlier times into view.
    double start = drag.windowStart - (x - drag.x) * s.Span() / width;
    start = std::round(start / s.timeStep) * s.timeStep;
    // The first thumb position whose window start, rounded down to a time step as the scroll bar
    // does, is this start.
    const double position = std::ceil((start - s.dataStart) * 10000.0 / free - 1e-6);
    return ScrollGraph(s, records, shown, ScrollCode::ThumbTrack,
                       static_cast<int>(std::clamp(position, 0.0, 10000.0)));
}

bool GraphKeyPress(GraphState& s, std::span<const DataRecord> records, const ShownRecords& shown,
                   GraphKey key) {
    if (key == GraphKey::Plus) {
        if (!s.zoomInEnabled) return false;
        ZoomIn(s, records, shown);
        return true;
    }
    if (!s.scrollEnabled) return false;  // "Lupa -" shares the scroll bar's state
    switch (key) {
        case GraphKey::Minus:
            ZoomOut(s, records, shown);
            return true;
        case GraphKey::Left:
        case GraphKey::Up:
            return ScrollGraph(s, records, shown, ScrollCode::LineUp, 0);
        case GraphKey::Right:
        case GraphKey::Down:
            return ScrollGraph(s, records, shown, ScrollCode::LineDown, 0);
        case GraphKey::PageUp:
            return ScrollGraph(s, records, shown, ScrollCode::PageUp, 0);
        case GraphKey::PageDown:
            return ScrollGraph(s, records, shown, ScrollCode::PageDown, 0);
        case GraphKey::Home:
            return ScrollGraph(s, records, shown, ScrollCode::ThumbPosition, 0);
        case GraphKey::End:
            return ScrollGraph(s, records, shown, ScrollCode::ThumbPosition, 10000);
        case GraphKey::Plus:
            break;
    }
    return false;
}

std::string GraphReadOut(const GraphState& s, const PlotArea& a, int quantity, int x, int y) {
    if (x < a.left || x > a.right || y < a.top || y > a.bottom || !(s.Span() > 0)) return {};
    const double t = TimeAtPixel(s, a, x);
    char text[kTextBufferSize];
    std::string out = DateText(text, t, true);
    out += "  ";
    out += TimeText(text, t, '.');
    out += "   ";
    out += ValueText(text, ValueAtPixel(s, a, y), 0, quantity, -1, quantity);
    return out;
}

}  // namespace qx
