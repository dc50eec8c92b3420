#include "data/core/graph_prep.h"

#include <algorithm>
#include <cmath>

#include "measure/core/text_format.h"

namespace qx {
namespace {

constexpr double kTimeSteps[] = {
    1,       1,       2,        5,        10,       30,        60,        120,    300,    600,
    1800,    3600,    10800,    21600,    43200,    86400,     172800,    432000, 864000, 1728000,
    4320000, 8640000, 17280000, 43200000, 86400000, 172800000, 432000000, 0};
// Stamps and values carry decimal fractions that binary doubles hold only nearly; a quotient
// that misses a whole number by this much is taken as that whole number.
constexpr double kSlack = 1e-9;

double RoundDown(double v, double step) {
    return std::floor(v / step + kSlack) * step;
}
double RoundUp(double v, double step) {
    return std::ceil(v / step - kSlack) * step;
}
bool IsOverload(double v) {
    return v == kOverload || v == -kOverload;
}
// A value that cannot be placed on a scale: the overload marks, and infinities or NaN that a
// hand-edited file may carry.
bool Unusable(double v) {
    return IsOverload(v) || !std::isfinite(v);
}

void SetControls(GraphState& s) {
    s.scrollEnabled = s.windowStart > s.dataStart || s.windowEnd < s.dataEnd;
    s.zoomInEnabled = s.Span() > 30.0 && s.points > 1;
}

void NoRecords(GraphState& s) {
    s = GraphState{};
    s.windowStart = s.dataStart = 0.0;
    s.windowEnd = s.dataEnd = 60.0;
    s.timeStep = 10.0;
    s.timeTickStep = 2.0;
}

void OneRecord(GraphState& s, const DataRecord& r, int index) {
    s = GraphState{};
    s.timeStep = 10.0;
    s.timeTickStep = 2.0;
    s.windowStart = RoundDown(r.stamp - 30.0, 10.0);
    s.windowEnd = RoundUp(r.stamp - 30.0 + 60.0, 10.0);
    s.dataStart = s.windowStart;
    s.dataEnd = s.windowEnd;
    s.first = s.last = index;
    s.points = 1;
    if (Unusable(r.value)) return;  // the -2..2 defaults
    s.valueStep = 0.01;
    while (0.001 * r.value > s.valueStep)
        s.valueStep *= 10.0;
    s.valueTickStep = 0.2 * s.valueStep;
    s.valueBottom = s.lowLimit = r.value - 2.0 * s.valueStep;
    s.valueTop = s.highLimit = r.value + 2.0 * s.valueStep;
}

void ChooseWindow(GraphState& s, double tf, double tl, bool reset) {
    s.windowStart = reset ? tf : std::max(s.windowStart, tf);
    s.windowEnd = reset ? tl : std::min(s.windowEnd, tl);
    ChooseTimeSteps(s.windowEnd - s.windowStart, s.timeStep, s.timeTickStep);
    s.windowStart = RoundDown(s.windowStart, s.timeStep);
    s.windowEnd = RoundUp(s.windowEnd, s.timeStep);
    s.dataStart = RoundDown(tf, s.timeStep);
    s.dataEnd = RoundUp(tl, s.timeStep);
    if (s.windowEnd <= s.windowStart) {
        const double centre = s.windowStart;
        s.windowStart = centre - s.timeStep;
        s.windowEnd = centre + s.timeStep;
        s.dataStart = std::min(s.dataStart, s.windowStart);
        s.dataEnd = std::max(s.dataEnd, s.windowEnd);
    }
    const double free = s.dataEnd - s.dataStart - s.Span();
    s.scrollPos = free > 0 ? static_cast<int>((s.windowStart - s.dataStart) * 10000.0 / free) : 0;
}

void FindWindowRecords(GraphState& s, std::span<const DataRecord> records,
                       const ShownRecords& shown) {
    s.before = s.after = -1;
    s.first = shown.first;
    s.last = shown.last;
    s.points = 0;
    bool inside = false;
    for (int i = shown.first; i <= shown.last; ++i) {
        const DataRecord& r = records[static_cast<std::size_t>(i)];
        if (r.Quantity() != shown.quantity) continue;
        if (!inside && r.stamp < s.windowStart) {
            s.before = i;
            continue;
        }
        if (!inside) s.first = i;
        inside = true;
        if (r.stamp > s.windowEnd) {
            s.after = i;
            break;
        }
        s.last = i;
        ++s.points;
    }
}

void ValueStep(GraphState& s) {
    double d = std::fabs(s.valueTop - s.valueBottom);
    if (!std::isfinite(d)) {  // values near the double's limits: no scale fits them
        s.valueBottom = -2.0;
        s.valueTop = 2.0;
        d = 4.0;
    }
    if (d < 0.01) {
        s.valueStep = 0.01;
        while (0.001 * s.valueTop > s.valueStep)
            s.valueStep *= 10.0;
        s.valueTickStep = 0.2 * s.valueStep;
        s.valueBottom -= 2.0 * s.valueStep;
        s.valueTop += 2.0 * s.valueStep;
    } else {
        double n = d, p = 1.0;
        while (n > 10.0)
            n /= 10.0, p *= 10.0;
        while (n <= 1.0)
            n *= 10.0, p /= 10.0;
        if (n > 5.0) {
            s.valueStep = 2.0 * p, s.valueTickStep = 0.5 * p;
        } else if (n > 2.0) {
            s.valueStep = p, s.valueTickStep = 0.2 * p;
        } else {
            s.valueStep = 0.5 * p, s.valueTickStep = 0.1 * p;
        }
    }
    s.valueTop = RoundUp(s.valueTop, s.valueStep);
    s.valueBottom = RoundDown(s.valueBottom, s.valueStep);
}

}  // namespace

void ChooseTimeSteps(double span, double& step, double& tickStep) {
    int j = 4;
    while (kTimeSteps[j] != 0 && kTimeSteps[j] < span)
        ++j;
    step = kTimeSteps[j - 2];
    tickStep = kTimeSteps[j - 4];
}

namespace {

// Value range over the window and, when reset, the limit lines from the records' limit flags.
void ValueRange(GraphState& s, std::span<const DataRecord> records, int quantity, bool reset) {
    double bottom = 1e10, top = -1e10;
    double min0 = kOverload, max0 = -kOverload, high = kOverload, low = -kOverload;
    int within = 0;
    for (int i = s.first; s.points > 0 && i <= s.last; ++i) {
        const DataRecord& r = records[static_cast<std::size_t>(i)];
        if (r.Quantity() != quantity || Unusable(r.value)) continue;
        bottom = std::min(bottom, r.value);
        top = std::max(top, r.value);
        if (r.limit == 0) {
            ++within;
            min0 = std::min(min0, r.value);
            max0 = std::max(max0, r.value);
        } else if (r.limit == 1) {
            high = std::min(high, r.value);
        } else if (r.limit == 2) {
            low = std::max(low, r.value);
        }
    }
    if (reset) {
        if (min0 < kOverload) low = (min0 + low) / 2.0;
        if (max0 > -kOverload) high = (max0 + high) / 2.0;
        if (within == 0) low = high = (high + low) / 2.0;
        s.highLimit = high;
        s.lowLimit = low;
    }
    if (bottom > top) bottom = -2.0, top = 2.0;
    if (s.points == 0) {
        // Between two records: the range of the segment that crosses the window.
        bottom = 1e10, top = -1e10;
        for (const int i : {s.before, s.after}) {
            if (i < 0) continue;
            const double v = records[static_cast<std::size_t>(i)].value;
            if (!std::isfinite(v)) continue;
            bottom = std::min(bottom, v);
            top = std::max(top, v);
        }
        if (bottom > top) bottom = -2.0, top = 2.0;
        if (IsOverload(bottom)) {
            if (IsOverload(top)) {
                bottom = -2.0, top = 2.0;
            } else {
                bottom = top - 4.0;
            }
        } else if (IsOverload(top)) {
            top = bottom + 4.0;
        }
    }
    s.valueBottom = bottom;
    s.valueTop = top;
}

}  // namespace

void PrepareGraph(GraphState& s, std::span<const DataRecord> records, const ShownRecords& shown,
                  bool recompute, bool reset) {
    const int count = shown.Count();
    if (count == 0 || shown.first < 0 || shown.last >= static_cast<int>(records.size())) {
        NoRecords(s);
        return;
    }
    if (count == 1) {
        OneRecord(s, records[static_cast<std::size_t>(shown.first)], shown.first);
        return;
    }
    const double tf = records[static_cast<std::size_t>(shown.first)].stamp;
    const double tl = records[static_cast<std::size_t>(shown.last)].stamp;
    if (recompute) ChooseWindow(s, tf, tl, reset);
    FindWindowRecords(s, records, shown);
    ValueRange(s, records, shown.quantity, reset);
    ValueStep(s);
    SetControls(s);
}

void ZoomOut(GraphState& s, std::span<const DataRecord> records, const ShownRecords& shown) {
    const double span = s.Span();
    s.windowStart -= span / 2.0;
    s.windowEnd += span / 2.0;
    PrepareGraph(s, records, shown, true, false);
}

void ZoomIn(GraphState& s, std::span<const DataRecord> records, const ShownRecords& shown) {
    const double span = s.Span();
    s.windowStart += span / 4.0;
    s.windowEnd -= span / 4.0;
    PrepareGraph(s, records, shown, true, false);
}

bool ScrollGraph(GraphState& s, std::span<const DataRecord> records, const ShownRecords& shown,
                 ScrollCode code, int position) {
    const double span = s.Span();
    const double free = s.dataEnd - s.dataStart - span;
    double start = s.windowStart;
    switch (code) {
        case ScrollCode::LineUp:
            start -= s.timeStep;
            break;
        case ScrollCode::LineDown:
            start += s.timeStep;
            break;
        case ScrollCode::PageUp:
            start -= span;
            break;
        case ScrollCode::PageDown:
            start += span;
            break;
        case ScrollCode::ThumbPosition:
        case ScrollCode::ThumbTrack:
            start = std::floor((s.dataStart + free * position / 10000.0) / s.timeStep + kSlack) *
                    s.timeStep;
            if (code == ScrollCode::ThumbTrack && start == s.windowStart) return false;
            break;
        case ScrollCode::Other:
            return false;
    }
    if (start < s.dataStart) start = s.dataStart;
    if (start + span > s.dataEnd) start = s.dataEnd - span;
    s.windowStart = start;
    s.windowEnd = start + span;
    s.scrollPos = free > 0 ? static_cast<int>((start - s.dataStart) * 10000.0 / free) : 0;
    PrepareGraph(s, records, shown, false, false);
    return true;
}

}  // namespace qx
