#include "data/core/graph_prep.h"
#include "data/core/graph_interaction.h"
#include "record_maker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace qx {
namespace {

using test::R;

constexpr double kDay = 86400.0 * 3000;  // midnight of some day on the stamp scale

struct Graph {
    std::vector<DataRecord> records;
    ShownRecords shown;
    GraphState state;

    void Prepare(int quantity = 1, bool recompute = true, bool reset = true) {
        shown = CountShown(records, quantity);
        PrepareGraph(state, records, shown, recompute, reset);
    }
};

TEST(GraphPrep, TimeStepsFromTheTable) {
    struct Case {
        double span, step, tick;
    };
    const Case cases[] = {{0, 2, 1},
                          {10, 2, 1},
                          {10.5, 5, 1},
                          {60, 10, 2},
                          {100, 30, 5},
                          {3600, 600, 120},
                          {432000000, 86400000, 17280000},
                          {5e8, 172800000, 43200000}};
    for (const Case& c : cases) {
        double step = 0, tick = 0;
        ChooseTimeSteps(c.span, step, tick);
        EXPECT_EQ(step, c.step) << c.span;
        EXPECT_EQ(tick, c.tick) << c.span;
    }
}

TEST(GraphPrep, NoRecordOfTheQuantity) {
    Graph g;
    g.records = {R(2, kDay, 5.0)};
    g.Prepare(1);
    const GraphState& s = g.state;
    EXPECT_EQ(s.windowStart, 0.0);
    EXPECT_EQ(s.windowEnd, 60.0);
    EXPECT_EQ(s.timeStep, 10.0);
    EXPECT_EQ(s.timeTickStep, 2.0);
    EXPECT_EQ(s.valueBottom, -2.0);
    EXPECT_EQ(s.valueTop, 2.0);
    EXPECT_EQ(s.valueStep, 1.0);
    EXPECT_EQ(s.valueTickStep, 0.2);
    EXPECT_EQ(s.points, 0);
    EXPECT_FALSE(s.scrollEnabled);
    EXPECT_FALSE(s.zoomInEnabled);
}

TEST(GraphPrep, OneRecord) {
    Graph g;
    g.records = {R(0, kDay + 5, 1.0), R(1, kDay + 12 * 3600 + 7, 5.0)};
    g.Prepare(1);
    const GraphState& s = g.state;
    EXPECT_EQ(s.windowStart, kDay + 11 * 3600 + 59 * 60 + 30);
    EXPECT_EQ(s.windowEnd, kDay + 12 * 3600 + 40);
    EXPECT_EQ(s.timeStep, 10.0);
    EXPECT_EQ(s.valueStep, 0.01);
    EXPECT_DOUBLE_EQ(s.valueBottom, 4.98);
    EXPECT_DOUBLE_EQ(s.valueTop, 5.02);
    EXPECT_EQ(s.first, 1);
    EXPECT_EQ(s.points, 1);
    EXPECT_FALSE(s.scrollEnabled);
    EXPECT_FALSE(s.zoomInEnabled);

    g.records[1].value = 5000.0;  // a larger value takes a coarser step
    g.Prepare(1);
    EXPECT_EQ(g.state.valueStep, 10.0);
    g.records[1].value = -9999.0;
    g.Prepare(1);
    EXPECT_EQ(g.state.valueBottom, -2.0);
    EXPECT_EQ(g.state.valueTop, 2.0);
}

TEST(GraphPrep, WindowIsRoundedOutwardsToTheTimeStep) {
    Graph g;
    const double t0 = kDay + 1000 + 7;
    g.records = {R(1, t0, 1.0), R(3, t0 + 50, 1.0), R(1, t0 + 100, 2.0)};
    g.Prepare(1);
    const GraphState& s = g.state;
    EXPECT_EQ(s.timeStep, 30.0);
    EXPECT_EQ(s.timeTickStep, 5.0);
    EXPECT_EQ(s.windowStart, kDay + 990);
    EXPECT_EQ(s.windowEnd, kDay + 1110);
    EXPECT_EQ(s.dataStart, s.windowStart);
    EXPECT_EQ(s.dataEnd, s.windowEnd);
    EXPECT_EQ(s.points, 2);
    EXPECT_EQ(s.first, 0);
    EXPECT_EQ(s.last, 2);
    EXPECT_FALSE(s.scrollEnabled);
    EXPECT_TRUE(s.zoomInEnabled);
}

TEST(GraphPrep, ValueStepsOneTwoFive) {
    struct Case {
        double low, high, step, tick, bottom, top;
    };
    const Case cases[] = {
        {0, 17, 5, 1, 0, 20},
        {0, 37, 10, 2, 0, 40},
        {0, 70, 20, 5, 0, 80},
        {5.0, 5.005, 0.01, 0.002, 4.98, 5.03},  // closer than 0.01: two steps of margin
        {1234.5, 1234.505, 10, 2, 1210, 1260},  // and a coarser step for large values
        {-0.3, 0.45, 0.2, 0.05, -0.4, 0.6},
        {-120, -80, 10, 2, -120, -80},
    };
    for (const Case& c : cases) {
        Graph g;
        g.records = {R(1, kDay, c.low), R(1, kDay + 60, c.high)};
        g.Prepare(1);
        EXPECT_DOUBLE_EQ(g.state.valueStep, c.step) << c.low << ".." << c.high;
        EXPECT_DOUBLE_EQ(g.state.valueTickStep, c.tick) << c.low << ".." << c.high;
        EXPECT_NEAR(g.state.valueBottom, c.bottom, 1e-9) << c.low << ".." << c.high;
        EXPECT_NEAR(g.state.valueTop, c.top, 1e-9) << c.low << ".." << c.high;
    }
}

TEST(GraphPrep, OverloadsStayOutOfTheValueRange) {
    Graph g;
    g.records = {R(1, kDay, 0.0), R(1, kDay + 10, 9999.0, 1), R(1, kDay + 20, 17.0)};
    g.Prepare(1);
    EXPECT_EQ(g.state.valueTop, 20.0);
    EXPECT_EQ(g.state.points, 3);
}

TEST(GraphPrep, LimitLinesAreEstimatedFromTheFlags) {
    Graph g;
    g.records = {R(1, kDay, 10.0),        R(1, kDay + 1, 20.0),   R(1, kDay + 2, 30.0, 1),
                 R(1, kDay + 3, 40.0, 1), R(1, kDay + 4, 2.0, 2), R(1, kDay + 5, -4.0, 2)};
    g.Prepare(1);
    EXPECT_EQ(g.state.highLimit, 25.0);  // between the highest good value and the lowest high one
    EXPECT_EQ(g.state.lowLimit, 6.0);

    g.records = {R(1, kDay, 30.0, 1), R(1, kDay + 1, 2.0, 2)};  // no good value: both in between
    g.Prepare(1);
    EXPECT_EQ(g.state.highLimit, 16.0);
    EXPECT_EQ(g.state.lowLimit, 16.0);

    g.records = {R(1, kDay, 1.0), R(1, kDay + 1, 3.0)};  // no flagged value: far outside
    g.Prepare(1);
    EXPECT_EQ(g.state.highLimit, (3.0 + 9999.0) / 2);
    EXPECT_EQ(g.state.lowLimit, (1.0 - 9999.0) / 2);

    // Zooming keeps the lines even when the flagged values leave the window.
    g.records = {R(1, kDay, 10.0), R(1, kDay + 100, 20.0), R(1, kDay + 200, 30.0, 1)};
    g.Prepare(1);
    const double high = g.state.highLimit;
    ZoomIn(g.state, g.records, g.shown);
    EXPECT_EQ(g.state.highLimit, high);
}

TEST(GraphPrep, ZoomInOnFortySecondsHalvesTheWindow) {
    Graph g;
    for (int i = 0; i <= 4; ++i)
        g.records.push_back(R(1, kDay + 10 * i, i));
    g.Prepare(1);
    ASSERT_EQ(g.state.Span(), 40.0);
    EXPECT_TRUE(g.state.zoomInEnabled);
    ZoomIn(g.state, g.records, g.shown);
    EXPECT_EQ(g.state.windowStart, kDay + 10);
    EXPECT_EQ(g.state.windowEnd, kDay + 30);
    EXPECT_FALSE(g.state.zoomInEnabled);
    EXPECT_TRUE(g.state.scrollEnabled);
    EXPECT_EQ(g.state.points, 3);
    EXPECT_EQ(g.state.before, 0);
    EXPECT_EQ(g.state.after, 4);
    EXPECT_EQ(g.state.scrollPos, 5000);
    ZoomOut(g.state, g.records, g.shown);  // clamped to the data again
    EXPECT_EQ(g.state.windowStart, kDay);
    EXPECT_EQ(g.state.windowEnd, kDay + 40);
    EXPECT_FALSE(g.state.scrollEnabled);
}

TEST(GraphPrep, ScrollingMovesTheWindowWithinTheData) {
    Graph g;
    for (int i = 0; i <= 40; ++i)
        g.records.push_back(R(1, kDay + 10 * i, i % 7));
    g.Prepare(1);
    for (int i = 0; i < 3; ++i)
        ZoomIn(g.state, g.records, g.shown);
    const double span = g.state.Span();
    const double step = g.state.timeStep;
    ASSERT_LT(span, 400.0);
    ASSERT_EQ(g.state.dataStart, kDay);
    ASSERT_EQ(g.state.dataEnd, kDay + 400);
    const double free = 400 - span;

    EXPECT_TRUE(ScrollGraph(g.state, g.records, g.shown, ScrollCode::ThumbPosition, 0));
    EXPECT_EQ(g.state.windowStart, kDay);
    EXPECT_EQ(g.state.scrollPos, 0);
    EXPECT_TRUE(ScrollGraph(g.state, g.records, g.shown, ScrollCode::LineDown, 0));
    EXPECT_EQ(g.state.windowStart, kDay + step);
    EXPECT_EQ(g.state.Span(), span);
    EXPECT_EQ(g.state.scrollPos, static_cast<int>(step * 10000 / free));
    EXPECT_TRUE(ScrollGraph(g.state, g.records, g.shown, ScrollCode::PageUp, 0));
    EXPECT_EQ(g.state.windowStart, kDay);  // clamped at the data start
    EXPECT_TRUE(ScrollGraph(g.state, g.records, g.shown, ScrollCode::ThumbPosition, 10000));
    EXPECT_EQ(g.state.windowEnd, kDay + 400);
    EXPECT_EQ(g.state.scrollPos, 10000);
    EXPECT_EQ(g.state.after, -1);
    EXPECT_TRUE(ScrollGraph(g.state, g.records, g.shown, ScrollCode::PageDown, 0));
    EXPECT_EQ(g.state.windowEnd, kDay + 400);  // clamped at the data end

    ScrollGraph(g.state, g.records, g.shown, ScrollCode::ThumbPosition, 5000);
    const double start = g.state.windowStart;
    // Dragging within one time step does not move the window; a full step does.
    const int nudge = static_cast<int>(0.5 * step * 10000 / free);
    EXPECT_FALSE(
        ScrollGraph(g.state, g.records, g.shown, ScrollCode::ThumbTrack, 5000 + nudge / 2));
    EXPECT_EQ(g.state.windowStart, start);
    EXPECT_TRUE(ScrollGraph(g.state, g.records, g.shown, ScrollCode::ThumbTrack,
                            5000 + static_cast<int>(1.5 * step * 10000 / free)));
    EXPECT_EQ(g.state.windowStart, start + step);
    EXPECT_FALSE(ScrollGraph(g.state, g.records, g.shown, ScrollCode::Other, 0));
}

// Wheel, drag and keys, one after the other on 10000 s of data, plotted 50..450 across.
TEST(GraphPrep, WheelDragAndKeysZoomAndScrollLikeTheButtonsAndTheScrollBar) {
    Graph g;
    for (int i = 0; i <= 1000; ++i)
        g.records.push_back(R(1, kDay + 10 * i, i % 7));
    g.Prepare(1);
    const PlotArea area;
    GraphDrag drag;
    auto wheel = [&](int direction, int x) {
        return WheelZoom(g.state, g.records, g.shown, area, direction, x);
    };
    auto key = [&](GraphKey k) { return GraphKeyPress(g.state, g.records, g.shown, k); };
    struct Step {
        const char* what;
        std::function<bool()> act;
        bool changed;
        double start, end;  // s after kDay
    };
    const Step steps[] = {
        {"whole data: no scrolling, no zoom out", [&] { return key(GraphKey::Right); }, false, 0,
         10800},
        {"", [&] { return wheel(-1, 250); }, false, 0, 10800},
        {"zoom in at the left edge keeps the start", [&] { return wheel(1, 50); }, true, 0, 5400},
        {"at the right edge the end, to the new steps", [&] { return wheel(1, 450); }, true, 2400,
         5400},
        {"drag 80 px to the left: a window of 3000 s moves on by 600 s",
         [&] {
             drag = StartGraphDrag(g.state, 250);
             return DragGraph(g.state, g.records, g.shown, area, drag, 170);
         },
         true, 3000, 6000},
        {"back to 20 px from the press: the nearest time step",
         [&] { return DragGraph(g.state, g.records, g.shown, area, drag, 230); }, true, 2400, 5400},
        {"", [&] { return DragGraph(g.state, g.records, g.shown, area, drag, 250); }, false, 2400,
         5400},
        {"", [&] { return key(GraphKey::Right); }, true, 3000, 6000},
        {"", [&] { return key(GraphKey::Up); }, true, 2400, 5400},
        {"", [&] { return key(GraphKey::PageDown); }, true, 5400, 8400},
        {"", [&] { return key(GraphKey::End); }, true, 7200, 10200},
        {"", [&] { return key(GraphKey::PageUp); }, true, 4200, 7200},
        {"", [&] { return key(GraphKey::Home); }, true, 0, 3000},
        {"", [&] { return key(GraphKey::Plus); }, true, 600, 2400},
        {"", [&] { return key(GraphKey::Minus); }, true, 0, 3600},
        {"zoom out at the left edge keeps it", [&] { return wheel(-1, 50); }, true, 0, 7200},
        {"at the right edge it meets the data start and grows at the end",
         [&] { return wheel(-1, 450); }, true, 0, 10800},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(step.act(), step.changed) << step.what;
        EXPECT_EQ(g.state.windowStart - kDay, step.start) << step.what;
        EXPECT_EQ(g.state.windowEnd - kDay, step.end) << step.what;
    }
    // A notch at the centre is "Lupa +" itself.
    GraphState button = g.state;
    ZoomIn(button, g.records, g.shown);
    EXPECT_TRUE(wheel(1, 250));
    EXPECT_EQ(g.state.windowStart, button.windowStart);
    EXPECT_EQ(g.state.windowEnd, button.windowEnd);
    // The thumb stands where a drag of the thumb would have put it.
    drag = StartGraphDrag(g.state, 250);
    ASSERT_TRUE(DragGraph(g.state, g.records, g.shown, area, drag, 150));
    const double free = g.state.dataEnd - g.state.dataStart - g.state.Span();
    EXPECT_EQ(g.state.scrollPos,
              static_cast<int>((g.state.windowStart - g.state.dataStart) * 10000 / free));

    // The read-out under the pointer: the plot's corners and nothing outside.
    g.Prepare(1);
    EXPECT_EQ(GraphReadOut(g.state, area, 1, 250, 25), "19.03.2006  01:30:00.0   6.000  V");
    EXPECT_EQ(GraphReadOut(g.state, area, 1, 50, 190), "19.03.2006  00:00:00.0   0.000  V");
    EXPECT_EQ(GraphReadOut(g.state, area, 1, 49, 100), "");
    EXPECT_EQ(GraphReadOut(g.state, area, 1, 100, 191), "");
}

TEST(GraphPrep, AWindowWithoutPointsTakesTheRangeOfItsNeighbours) {
    Graph g;
    g.records = {R(1, kDay, 1.0), R(1, kDay + 10, 5.0), R(1, kDay + 1000, 9999.0),
                 R(1, kDay + 1010, 0.0)};
    g.Prepare(1);
    g.state.windowStart = kDay + 300;
    g.state.windowEnd = kDay + 600;
    PrepareGraph(g.state, g.records, g.shown, false, false);
    EXPECT_EQ(g.state.points, 0);
    EXPECT_EQ(g.state.before, 1);
    EXPECT_EQ(g.state.after, 2);
    EXPECT_EQ(g.state.valueBottom, 5.0);  // 5 .. 9999 becomes 5 .. 9
    EXPECT_EQ(g.state.valueTop, 9.0);
    EXPECT_EQ(g.state.valueStep, 1.0);
}

TEST(GraphPrep, AllRecordsAtOneInstantGetAWindowAroundIt) {
    Graph g;
    g.records = {R(1, kDay + 100, 1.0), R(1, kDay + 100, 2.0)};
    g.Prepare(1);
    EXPECT_EQ(g.state.windowStart, kDay + 98);
    EXPECT_EQ(g.state.windowEnd, kDay + 102);
    EXPECT_EQ(g.state.points, 2);
    EXPECT_FALSE(g.state.scrollEnabled);
}

TEST(GraphPrep, UnusableValuesNeverHangOrBreakTheRange) {
    Graph g;
    g.records = {R(1, kDay, 1e308), R(1, kDay + 1, -1e308),
                 R(1, kDay + 2, std::numeric_limits<double>::infinity()),
                 R(1, kDay + 3, std::numeric_limits<double>::quiet_NaN())};
    g.Prepare(1);
    EXPECT_TRUE(std::isfinite(g.state.valueBottom));
    EXPECT_TRUE(std::isfinite(g.state.valueTop));
    EXPECT_LT(g.state.valueBottom, g.state.valueTop);
    g.records = {R(1, kDay, std::numeric_limits<double>::infinity())};
    g.Prepare(1);
    EXPECT_EQ(g.state.valueTop, 2.0);
}

}  // namespace
}  // namespace qx
