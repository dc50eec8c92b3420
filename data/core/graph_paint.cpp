#include "data/core/graph_paint.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "measure/core/catalogue.h"
#include "measure/core/text_format.h"

namespace qx {
namespace {

constexpr int kCurveWidth = 3;
constexpr int kGridLimit = 10000;  // grid lines drawn at most, whatever the state says

// Pixels truncate toward zero; coordinates far outside any screen are held at a bound that
// keeps the arithmetic on them exact.
int Pixel(double v) {
    if (!(v > -1e9)) return -1000000000;
    if (v > 1e9) return 1000000000;
    return static_cast<int>(v);
}

enum class Zone { Above, Between, Below };
Zone ZoneOf(int y, int yHigh, int yLow) {
    if (y > yLow) return Zone::Below;
    if (y < yHigh) return Zone::Above;
    return Zone::Between;
}
Rgb ZoneColour(Zone z) {
    return z == Zone::Above ? colors::kBlue : z == Zone::Below ? colors::kRed : colors::kBlack;
}

struct Scale {
    PlotArea a;
    double windowStart, valueBottom, kx, ky;
    int X(double t) const { return Pixel(a.left + (t - windowStart) * kx); }
    int Y(double v) const {
        if (std::fabs(v) >= kOverload) return v > 0 ? a.top : a.bottom;
        return Pixel(a.bottom - (v - valueBottom) * ky);
    }
};

void Line(DisplayList& list, int x1, int y1, int x2, int y2, Rgb colour = colors::kBlack,
          int width = 1, PenStyle style = PenStyle::Solid) {
    list.Line({x1, y1, x2, y2, colour, width, style});
}

void Text(DisplayList& list, int x, int y, std::string text) {
    DrawText t{x, y, std::move(text), colors::kBlack, Font{}};
    t.transparent = false;
    t.background = colors::kWhite;
    list.Text(std::move(t));
}

int GridCount(double range, double step) {
    if (!(step > 0) || !(range >= 0)) return 0;
    const double n = std::floor(range / step + 0.5);
    return n > kGridLimit ? kGridLimit : static_cast<int>(n);
}

int Background(DisplayList& list, const GraphState& s, const Scale& sc) {
    const PlotArea& a = sc.a;
    if (s.valueTop < 0) {
        list.Rect({a.left, a.top, a.right, a.bottom, colors::kAqua});
        return a.top;
    }
    if (s.valueBottom >= 0) {
        list.Rect({a.left, a.top, a.right, a.bottom, colors::kYellow});
        return a.bottom;
    }
    const int y0 = sc.Y(0.0);
    list.Rect({a.left, a.top, a.right, y0, colors::kYellow});
    list.Rect({a.left, y0, a.right, a.bottom, colors::kAqua});
    return y0;
}

void TimeGrid(DisplayList& list, const GraphState& s, const Scale& sc, int y0) {
    const PlotArea& a = sc.a;
    const int lines = GridCount(s.Span(), s.timeStep);
    double lastDay = -1;
    char text[kTextBufferSize];
    for (int g = 0; g <= lines; ++g) {
        const double t = s.windowStart + g * s.timeStep;
        const int x = sc.X(t);
        Line(list, x, a.top, x, a.bottom, colors::kBlack, 1, PenStyle::Dot);
        Line(list, x, a.bottom, x, a.bottom + 12);
        Text(list, x - 25, a.bottom + 14, TimeText(text, t, 0));
        const double day = std::floor(t / 86400.0);
        if (g == 0 || g == lines || day != lastDay) {
            Text(list, x - 15, a.bottom + 28, DateText(text, t, false));
            lastDay = day;
        }
    }
    const int ticks = GridCount(s.Span(), s.timeTickStep);
    for (int g = 0; g <= ticks; ++g) {
        const int x = sc.X(s.windowStart + g * s.timeTickStep);
        Line(list, x, y0, x, y0 + 5);
    }
}

void ValueGrid(DisplayList& list, const GraphState& s, const Scale& sc, int quantity) {
    const PlotArea& a = sc.a;
    const double range = s.valueTop - s.valueBottom;
    const int lines = GridCount(range, s.valueStep);
    char text[kTextBufferSize];
    for (int g = 0; g <= lines; ++g) {
        double v = s.valueBottom + g * s.valueStep;
        // A sum of steps that should be zero can miss it by a rounding error.
        if (std::fabs(v) < s.valueStep * 1e-9) v = 0.0;
        const int y = sc.Y(v);
        Line(list, a.right, y, a.left, y, colors::kBlack, 1, PenStyle::Dot);
        Line(list, a.left, y, a.left - 12, y);
        if (quantity == 4 && v == 0.0) {
            Text(list, a.left - 45, y - 15, "-1.00L");
            Text(list, a.left - 45, y - 2, "+1.00C");
        } else {
            Text(list, a.left - 45, y - 8, ValueText(text, v, 0, quantity == 4 ? 4 : 0, -1, -1));
        }
    }
    const int ticks = GridCount(range, s.valueTickStep);
    for (int g = 0; g <= ticks; ++g) {
        const int y = sc.Y(s.valueBottom + g * s.valueTickStep);
        Line(list, a.left, y, a.left - 6, y);
    }
}

void Axes(DisplayList& list, const PlotArea& a, int y0) {
    Line(list, a.left - 10, y0, a.right + 20, y0);
    Line(list, a.right + 5, y0 - 3, a.right + 20, y0);
    Line(list, a.right + 20, y0, a.right + 5, y0 + 3);
    Line(list, a.left, a.top - 20, a.left, a.bottom + 10);
    Line(list, a.left - 3, a.top - 5, a.left, a.top - 20);
    Line(list, a.left, a.top - 20, a.left + 3, a.top - 5);
}

// y where the segment from (x1, y1) to (x2, y2) passes x, in whole pixels.
int YAt(int x1, int y1, int x2, int y2, int x) {
    if (x2 == x1) return y1;
    const long long dy = static_cast<long long>(y2) - y1;
    return static_cast<int>(y1 + dy * (static_cast<long long>(x) - x1) /
                                     (static_cast<long long>(x2) - x1));
}

struct Point {
    int x, y;
};

void Square(DisplayList& list, Point p, Rgb colour) {
    Line(list, p.x - 5, p.y - 5, p.x + 5, p.y - 5, colour);
    Line(list, p.x + 5, p.y - 5, p.x + 5, p.y + 5, colour);
    Line(list, p.x + 5, p.y + 5, p.x - 5, p.y + 5, colour);
    Line(list, p.x - 5, p.y + 5, p.x - 5, p.y - 5, colour);
}

// Minimum, average and maximum of the usable values in the window.
struct Statistics {
    double low = 1e10, high = -1e10, sum = 0.0;
    int n = 0;
    void Add(double v) {
        if (!(std::fabs(v) < kOverload)) return;
        low = std::min(low, v);
        high = std::max(high, v);
        sum += v;
        ++n;
    }
    // The three texts start at thirds of the plot's width. A font wider than the one these
    // positions were drawn for, with a long unit, would run one text into the next: such a text
    // starts a gap after the end of the one before it.
    void Draw(DisplayList& list, int quantity, const PlotArea& a,
              const TextWidth& textWidth) const {
        constexpr int kGap = 8;  // px between texts pushed apart
        const double average = n > 0 ? sum / n : 0.0;
        const int third = (a.right - a.left) / 3;
        char text[kTextBufferSize];
        const std::string texts[3] = {
            std::string("Min = ") + ValueText(text, low, 0, quantity, -1, quantity),
            std::string("Avg = ") + ValueText(text, average, 0, quantity, -1, quantity),
            std::string("Max = ") + ValueText(text, high, 0, quantity, -1, quantity)};
        int freeFrom = a.left + 20;  // where the next text may start without an overlap
        for (int i = 0; i < 3; ++i) {
            const int x = std::max(a.left + i * third + 20, freeFrom);
            Text(list, x, a.top - 22, texts[i]);
            if (textWidth) freeFrom = x + textWidth(texts[i], Font{}) + kGap;
        }
    }
};

// One walk over the points in the window draws the curve, collects the markers and sums the
// statistics, so that a million points are converted to pixels once. Where many points share a
// pixel column, the column is drawn as the span of their values and the step to the next
// column. A marker is drawn once per pixel (a point on the pixel of the point before it adds
// nothing), an overload square once per column and edge. The state lives in locals, not in
// objects the rare calls could reach, so that the loop runs in registers.
void WalkPoints(DisplayList& list, DisplayList& markers, const GraphState& s,
                std::span<const DataRecord> records, int quantity, const Scale& scale, int yH,
                int yL, Statistics& stats) {
    if (s.points <= 0 || s.first < 0) return;
    const int end = std::min(s.last, static_cast<int>(records.size()) - 1);
    const Scale sc = scale;
    const bool single = s.points == 1;
    bool started = false;
    int columnX = 0, lastY = 0, minY = 0, maxY = 0;
    bool topDrawn = false, bottomDrawn = false;
    double low = stats.low, high = stats.high, sum = stats.sum;
    int n = stats.n;
    for (int i = s.first; i <= end; ++i) {
        const DataRecord& r = records[static_cast<std::size_t>(i)];
        if (r.Quantity() != quantity) continue;
        const double v = r.value;
        const Point p{sc.X(r.stamp), sc.Y(v)};
        // On the pixel of the point before: nothing new to mark.
        const bool same = started && p.x == columnX && p.y == lastY;
        if (!started) {
            started = true;
            columnX = p.x, lastY = minY = maxY = p.y;
            topDrawn = bottomDrawn = false;
        } else if (p.x != columnX) {
            if (minY != maxY) LimitColouredSegment(list, columnX, minY, columnX, maxY, yH, yL);
            LimitColouredSegment(list, columnX, lastY, p.x, p.y, yH, yL);
            columnX = p.x, lastY = minY = maxY = p.y;
            topDrawn = bottomDrawn = false;
        } else {
            lastY = p.y;
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
        const bool overload = std::fabs(v) >= kOverload;
        if ((overload || single) && !same) {
            if (overload && v >= 0 && !topDrawn) Square(markers, p, colors::kBlue);
            if (overload && !(v >= 0) && !bottomDrawn) Square(markers, p, colors::kRed);
            if (overload && v >= 0) topDrawn = true;
            if (overload && !(v >= 0)) bottomDrawn = true;
            if (single) {
                markers.Rect({p.x - 5, p.y - 5, p.x + 5, p.y + 5,
                              r.limit != 0 ? colors::kRed : colors::kBlue});
            }
        }
        if (std::fabs(v) < kOverload) {
            low = std::min(low, v);
            high = std::max(high, v);
            sum += v;
            ++n;
        }
    }
    if (started && minY != maxY) LimitColouredSegment(list, columnX, minY, columnX, maxY, yH, yL);
    stats.low = low, stats.high = high, stats.sum = sum, stats.n = n;
}

// The curve with the segments that lead into the window and out of it.
void Curve(DisplayList& list, DisplayList& markers, const GraphState& s,
           std::span<const DataRecord> records, int quantity, const Scale& sc, Statistics& stats) {
    const PlotArea& a = sc.a;
    const int yH = sc.Y(s.highLimit), yL = sc.Y(s.lowLimit);
    auto at = [&](int i) {
        const DataRecord& r = records[static_cast<std::size_t>(i)];
        return Point{sc.X(r.stamp), sc.Y(r.value)};
    };
    const int size = static_cast<int>(records.size());
    const bool before = s.before >= 0 && s.before < size;
    const bool after = s.after >= 0 && s.after < size;
    if (s.points <= 0) {
        if (!before || !after) return;
        Point p = at(s.before), q = at(s.after);
        if (p.x < a.left - 15 && p.x != q.x)
            p = {a.left - 15, YAt(p.x, p.y, q.x, q.y, a.left - 15)};
        if (q.x > a.right + 15) q = {a.right + 15, YAt(p.x, p.y, q.x, q.y, a.right + 15)};
        LimitColouredSegment(list, p.x, p.y, q.x, q.y, yH, yL);
        return;
    }
    const int lo = a.top - 15, hi = a.bottom + 15;
    if (before) {
        Point p = at(s.before);
        const Point q = at(s.first);
        if (p.x < a.left - 15) p = {a.left - 15, YAt(p.x, p.y, q.x, q.y, a.left - 15)};
        p.y = std::clamp(p.y, lo, hi);
        LimitColouredSegment(list, p.x, p.y, q.x, q.y, yH, yL);
    }
    WalkPoints(list, markers, s, records, quantity, sc, yH, yL, stats);
    if (after) {
        const Point p = at(s.last);
        Point q = at(s.after);
        if (q.x > a.right + 15) q = {a.right + 15, YAt(p.x, p.y, q.x, q.y, a.right + 15)};
        q.y = std::clamp(q.y, lo, hi);
        LimitColouredSegment(list, p.x, p.y, q.x, q.y, yH, yL);
    }
}

}  // namespace

PlotArea GraphPlotArea(int clientWidth, int clientHeight) {
    PlotArea a;
    if (clientWidth > 200 && clientHeight > 150) {
        a.right = clientWidth - 30;
        a.bottom = clientHeight - 45;
    }
    return a;
}

PlotArea GraphPictureArea(int width, int height) {
    return GraphPlotArea(width + kGraphPanelExtraWidth, height + kGraphPanelExtraHeight);
}

void LimitColouredSegment(DisplayList& list, int x1, int y1, int x2, int y2, int yHigh, int yLow) {
    if (x1 == x2 && y1 == y2) return;
    const Zone from = ZoneOf(y1, yHigh, yLow), to = ZoneOf(y2, yHigh, yLow);
    // Where the segment crosses the line y = Y; only asked for lines between its two ends.
    auto cross = [&](int y) {
        return Point{static_cast<int>(x1 + (static_cast<long long>(x2) - x1) *
                                               (static_cast<long long>(y) - y1) /
                                               (static_cast<long long>(y2) - y1)),
                     y};
    };
    Point p{x1, y1};
    auto draw = [&](Point q, Zone z) {
        Line(list, p.x, p.y, q.x, q.y, ZoneColour(z), kCurveWidth);
        p = q;
    };
    if (from != to) {
        // Leave the start zone, pass through the middle when going from one side to the other.
        const bool down = from == Zone::Above || (from == Zone::Between && to == Zone::Below);
        if (from != Zone::Between) draw(cross(from == Zone::Above ? yHigh : yLow), from);
        if (from != Zone::Between && to != Zone::Between)
            draw(cross(down ? yLow : yHigh), Zone::Between);
        if (from == Zone::Between) draw(cross(to == Zone::Above ? yHigh : yLow), Zone::Between);
    }
    draw({x2, y2}, to);
}

void PaintGraph(const GraphState& s, std::span<const DataRecord> records, int quantity,
                const PlotArea& area, DisplayList& list, const TextWidth& textWidth) {
    list.Clear();
    const double span = s.Span();
    const double range = s.valueTop - s.valueBottom;
    const Scale sc{area, s.windowStart, s.valueBottom,
                   span > 0 ? (area.right - area.left) / span : 0.0,
                   range > 0 ? (area.bottom - area.top) / range : 0.0};
    const int y0 = Background(list, s, sc);
    TimeGrid(list, s, sc, y0);
    ValueGrid(list, s, sc, quantity);
    Axes(list, area, y0);
    // Markers are drawn over the curve.
    DisplayList markers;
    Statistics stats;
    Curve(list, markers, s, records, quantity, sc, stats);
    for (const DisplayItem& item : markers.Items()) {
        if (item.kind == DisplayItem::Kind::Line) list.Line(item.line);
        if (item.kind == DisplayItem::Kind::Rect) list.Rect(item.rect);
    }
    stats.Draw(list, quantity, area, textWidth);
}

DisplayList PaintGraph(const GraphState& s, std::span<const DataRecord> records, int quantity,
                       const PlotArea& area, const TextWidth& textWidth) {
    DisplayList list;
    PaintGraph(s, records, quantity, area, list, textWidth);
    return list;
}

DisplayList GraphPicture(const GraphState& s, std::span<const DataRecord> records, int quantity,
                         int width, int height, const TextWidth& textWidth) {
    return PaintGraph(s, records, quantity, GraphPictureArea(width, height), textWidth);
}

}  // namespace qx
