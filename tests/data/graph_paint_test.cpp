#include "data/core/graph_paint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "data/core/graph_prep.h"
#include "measure/core/text_format.h"
#include "record_maker.h"

namespace qx {
namespace {

using test::R;

constexpr double kDay = 86400.0 * 3000;

std::vector<DrawLine> Lines(const DisplayList& list, int width = -1) {
    std::vector<DrawLine> lines;
    for (const DisplayItem& item : list.Items()) {
        if (item.kind == DisplayItem::Kind::Line && (width < 0 || item.line.width == width)) {
            lines.push_back(item.line);
        }
    }
    return lines;
}

std::vector<DrawText> Texts(const DisplayList& list) {
    std::vector<DrawText> texts;
    for (const DisplayItem& item : list.Items()) {
        if (item.kind == DisplayItem::Kind::Text) texts.push_back(item.text);
    }
    return texts;
}

const DrawText* FindText(const DisplayList& list, const std::string& text) {
    for (const DisplayItem& item : list.Items()) {
        if (item.kind == DisplayItem::Kind::Text && item.text.text == text) return &item.text;
    }
    return nullptr;
}

DrawLine Curve(int x1, int y1, int x2, int y2, Rgb colour) {
    return {x1, y1, x2, y2, colour, 3, PenStyle::Solid};
}

TEST(GraphPaint, PlotAreaFollowsThePanel) {
    const PlotArea laidOut = GraphPlotArea(397, 208);
    EXPECT_EQ(laidOut.left, 50);
    EXPECT_EQ(laidOut.right, 367);
    EXPECT_EQ(laidOut.top, 25);
    EXPECT_EQ(laidOut.bottom, 163);
    const PlotArea small = GraphPlotArea(200, 400);
    EXPECT_EQ(small.right, 450);
    EXPECT_EQ(small.bottom, 190);
    // A picture of the paint box's size has the plot the paint box shows.
    const PlotArea picture = GraphPictureArea(394, 191);
    EXPECT_EQ(std::tie(picture.left, picture.right, picture.top, picture.bottom),
              std::tie(laidOut.left, laidOut.right, laidOut.top, laidOut.bottom));
}

TEST(GraphPaint, LimitColouringOfEachStartAndEnd) {
    // yHigh 50 and yLow 100; y grows downwards, so "above" is a smaller y.
    using C = std::vector<DrawLine>;
    const Rgb red = colors::kRed, blue = colors::kBlue, black = colors::kBlack;
    struct Case {
        int x1, y1, x2, y2;
        C expected;
    };
    const Case cases[] = {
        {0, 120, 10, 110, C{Curve(0, 120, 10, 110, red)}},
        {0, 120, 20, 80, C{Curve(0, 120, 10, 100, red), Curve(10, 100, 20, 80, black)}},
        {0, 120, 70, 20,
         C{Curve(0, 120, 14, 100, red), Curve(14, 100, 49, 50, black),
           Curve(49, 50, 70, 20, blue)}},
        {0, 10, 10, 40, C{Curve(0, 10, 10, 40, blue)}},
        {0, 10, 30, 70, C{Curve(0, 10, 20, 50, blue), Curve(20, 50, 30, 70, black)}},
        {0, 10, 30, 130,
         C{Curve(0, 10, 10, 50, blue), Curve(10, 50, 22, 100, black),
           Curve(22, 100, 30, 130, red)}},
        {0, 50, 10, 100, C{Curve(0, 50, 10, 100, black)}},  // on the lines counts as between
        {0, 60, 30, 130, C{Curve(0, 60, 17, 100, black), Curve(17, 100, 30, 130, red)}},
        {0, 60, 30, 0, C{Curve(0, 60, 5, 50, black), Curve(5, 50, 30, 0, blue)}},
    };
    for (const Case& c : cases) {
        DisplayList list;
        LimitColouredSegment(list, c.x1, c.y1, c.x2, c.y2, 50, 100);
        EXPECT_EQ(Lines(list), c.expected) << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
    }
    DisplayList none;
    LimitColouredSegment(none, 5, 5, 5, 5, 50, 100);
    EXPECT_TRUE(none.Items().empty());
}

TEST(GraphPaint, BackgroundGridAndAxes) {
    GraphState s;  // the state of a quantity without records: 0..60 s, -2..2
    const PlotArea a = GraphPlotArea(397, 208);
    const DisplayList list = PaintGraph(s, {}, 1, a);
    const auto& items = list.Items();
    ASSERT_GE(items.size(), 2u);
    const int y0 = static_cast<int>(163 - 2 * (163 - 25) / 4.0);  // value 0
    EXPECT_EQ(items[0].rect, (FillRect{50, 25, 367, y0, colors::kYellow}));
    EXPECT_EQ(items[1].rect, (FillRect{50, y0, 367, 163, colors::kAqua}));

    const std::vector<DrawLine> lines = Lines(list);
    // Seven dotted time lines, five dotted value lines.
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const DrawLine& l) { return l.style == PenStyle::Dot; }),
              12);
    const auto has = [&](DrawLine l) {
        return std::find(lines.begin(), lines.end(), l) != lines.end();
    };
    EXPECT_TRUE(has({367, 25, 50, 25, colors::kBlack, 1, PenStyle::Dot}));  // top value line
    EXPECT_TRUE(has({102, 163, 102, 175, colors::kBlack}));                 // tick under 10 s
    EXPECT_TRUE(has({102, y0, 102, y0 + 5, colors::kBlack}));  // time tick on the zero line
    EXPECT_TRUE(has({50, 128, 44, 128, colors::kBlack}));      // value tick at -1: 163 - 34.5
    EXPECT_TRUE(has({40, y0, 387, y0, colors::kBlack}));       // time axis
    EXPECT_TRUE(has({372, y0 - 3, 387, y0, colors::kBlack}));  // its arrow head
    EXPECT_TRUE(has({50, 5, 50, 173, colors::kBlack}));        // value axis
    EXPECT_TRUE(has({47, 20, 50, 5, colors::kBlack}));

    const DrawText* label = FindText(list, "00:00:10");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->x, 102 - 25);
    EXPECT_EQ(label->y, 163 + 14);
    EXPECT_FALSE(label->transparent);
    ASSERT_NE(FindText(list, "-2.000"), nullptr);
    EXPECT_EQ(FindText(list, "-2.000")->y, 163 - 8);
    EXPECT_EQ(FindText(list, "Min = (?)")->x, 70);
    EXPECT_EQ(FindText(list, "Avg = 0.000  V")->x, 50 + 105 + 20);
    EXPECT_EQ(FindText(list, "Max = (?)")->y, 3);
    EXPECT_TRUE(Lines(list, 3).empty());  // no curve
}

// A saved or printed picture names its quantity, window and file in a band above the graph,
// which is the screen's graph moved down by the band.
TEST(GraphPaint, ExportedPictureHasAHeadingAboveTheScreensGraph) {
    const double noon = EncodeStamp(2026, 12, 7, 12, 0, 0, 0);
    const std::vector<DataRecord> records = {R(1, noon, 230.0), R(1, noon + 3600, 231.0)};
    GraphState prepared;
    PrepareGraph(prepared, records, CountShown(records, 1), true, true);
    struct Case {
        const char* what;
        const GraphState* state;
        int quantity;
        std::string file;
        std::string heading;
    };
    const GraphState empty;
    GraphState days = prepared;
    days.windowEnd += 86400;
    const Case cases[] = {
        {"window and file", &prepared, 1, "stazeno.PRN",
         "Napětí  [V]   07.12.2026 12:00:00 – 13:00:00   stazeno.PRN"},
        {"a window over two days", &days, 1, "stazeno.PRN",
         "Napětí  [V]   07.12.2026 12:00:00 – 08.12.2026 13:00:00   stazeno.PRN"},
        {"no record of the quantity: no window", &empty, 0, "stazeno.PRN",
         "Proud  [A]   stazeno.PRN"},
        {"no file", &prepared, 1, "", "Napětí  [V]   07.12.2026 12:00:00 – 13:00:00"},
        {"a long name is cut in the middle, whole characters kept", &prepared, 1,
         "velmi_dlouhy_nazev_souboru_" + std::string(40, 'x') + "_čtvrtek.PRN",
         "Napětí  [V]   07.12.2026 12:00:00 – 13:00:00   "
         "velmi_dlouhy_nazev_s…xxxxxxxx_čtvrtek.PRN"},
    };
    // 4 px a byte: the band's 394 px with their margins hold 96 bytes.
    const TextWidth width = [](std::string_view t, const Font&) {
        return static_cast<int>(t.size()) * 4;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DisplayList screen = GraphPicture(*c.state, records, c.quantity, 394, 191, width);
        const DisplayList saved =
            GraphExportPicture(*c.state, records, c.quantity, 394, 191, c.file, width);
        ASSERT_EQ(saved.Items().size(), screen.Items().size() + 1);
        const DrawText& heading = saved.Items().front().text;
        EXPECT_EQ(heading.text, c.heading);
        EXPECT_EQ(heading.y, 3);
        EXPECT_LE(width(heading.text, heading.font), 394 - 8);
        EXPECT_EQ(FindText(screen, c.heading), nullptr);  // never on the screen
        for (std::size_t i = 0; i < screen.Items().size(); ++i) {
            DisplayItem moved = screen.Items()[i];
            moved.line.y1 += kGraphHeadingHeight;
            moved.line.y2 += kGraphHeadingHeight;
            moved.rect.top += kGraphHeadingHeight;
            moved.rect.bottom += kGraphHeadingHeight;
            moved.text.y += kGraphHeadingHeight;
            const DisplayItem& got = saved.Items()[i + 1];
            ASSERT_EQ(got.kind, moved.kind) << i;
            switch (got.kind) {
                case DisplayItem::Kind::Line:
                    EXPECT_EQ(got.line, moved.line) << i;
                    break;
                case DisplayItem::Kind::Rect:
                    EXPECT_EQ(got.rect, moved.rect) << i;
                    break;
                case DisplayItem::Kind::Text:
                    EXPECT_EQ(got.text, moved.text) << i;
                    break;
            }
        }
    }
}

TEST(GraphPaint, DatesOnTheFirstTheLastAndAtEveryNewDay) {
    GraphState s;
    s.windowStart = kDay - 3 * 3600;
    s.windowEnd = kDay + 3 * 3600;
    s.timeStep = 3600;
    s.timeTickStep = 1800;
    const DisplayList list = PaintGraph(s, {}, 0, PlotArea{});
    int dates = 0;
    for (const DrawText& t : Texts(list))
        dates += t.y == 190 + 28;
    EXPECT_EQ(dates, 3);
}

TEST(GraphPaint, PowerFactorLabelsAtZero) {
    GraphState s;
    const DisplayList list = PaintGraph(s, {}, 4, PlotArea{});
    const int y0 = static_cast<int>(190 - 2 * (190 - 25) / 4.0);  // 107.5 truncated
    ASSERT_NE(FindText(list, "-1.00L"), nullptr);
    EXPECT_EQ(FindText(list, "-1.00L")->y, y0 - 15);
    EXPECT_EQ(FindText(list, "+1.00C")->y, y0 - 2);
    EXPECT_NE(FindText(list, "0.00C"), nullptr);  // -1 in the instrument's form
}

TEST(GraphPaint, OneRecordGetsAFilledSquare) {
    std::vector<DataRecord> records = {R(1, kDay + 12 * 3600 + 7, 5.0, 0)};
    GraphState s;
    PrepareGraph(s, records, CountShown(records, 1), true, true);
    const PlotArea a = GraphPlotArea(397, 208);
    DisplayList list = PaintGraph(s, records, 1, a);
    const int x = static_cast<int>(50 + 37 * (317 / 70.0));
    const int y =
        static_cast<int>(163 - (5.0 - s.valueBottom) * (138 / (s.valueTop - s.valueBottom)));
    EXPECT_EQ(list.Items().back().kind, DisplayItem::Kind::Text);
    bool found = false;
    for (const DisplayItem& item : list.Items()) {
        if (item.kind == DisplayItem::Kind::Rect && item.rect.color == colors::kBlue) {
            EXPECT_EQ(item.rect, (FillRect{x - 5, y - 5, x + 5, y + 5, colors::kBlue}));
            found = true;
        }
    }
    EXPECT_TRUE(found);
    EXPECT_NE(FindText(list, "Avg = 5.000  V"), nullptr);
    records[0].limit = 2;
    list = PaintGraph(s, records, 1, a);
    EXPECT_EQ(std::count_if(list.Items().begin(), list.Items().end(),
                            [](const DisplayItem& i) {
                                return i.kind == DisplayItem::Kind::Rect &&
                                       i.rect.color == colors::kRed;
                            }),
              1);
}

TEST(GraphPaint, OverloadIsDrawnAtTheTopWithASquareAndLeftOutOfTheStatistics) {
    const std::vector<DataRecord> records = {R(1, kDay, 0.0), R(1, kDay + 30, 9999.0, 1),
                                             R(1, kDay + 60, 17.0)};
    GraphState s;
    PrepareGraph(s, records, CountShown(records, 1), true, true);
    const PlotArea a{};  // 50..450 x 25..190, 60 s
    const DisplayList list = PaintGraph(s, records, 1, a);
    const std::vector<DrawLine> thin = Lines(list, 1);
    EXPECT_NE(std::find(thin.begin(), thin.end(), DrawLine{245, 20, 255, 20, colors::kBlue}),
              thin.end());
    EXPECT_NE(FindText(list, "Max = 17.00  V"), nullptr);
    EXPECT_NE(FindText(list, "Avg = 8.500  V"), nullptr);
    // The statistics stand at thirds of the plot; in a wider font each is pushed past the end
    // of the one before it.
    auto statsX = [](const DisplayList& l) {
        std::vector<int> xs;
        for (const DrawText& t : Texts(l))
            if (t.text.size() > 4 && t.text[4] == '=') xs.push_back(t.x);
        return xs;
    };
    auto perChar = [](int px) {
        return [px](std::string_view t, const Font&) { return px * static_cast<int>(t.size()); };
    };
    EXPECT_EQ(statsX(list), (std::vector<int>{70, 203, 336}));
    EXPECT_EQ(statsX(PaintGraph(s, records, 1, a, perChar(4))), (std::vector<int>{70, 203, 336}));
    EXPECT_EQ(statsX(PaintGraph(s, records, 1, a, perChar(10))), (std::vector<int>{70, 218, 366}));
    const std::vector<DrawLine> curve = Lines(list, 3);
    ASSERT_FALSE(curve.empty());
    EXPECT_EQ(curve.front().x1, 50);
    EXPECT_EQ(curve.front().y1, 190);
    bool reachesTop = false;
    for (const DrawLine& l : curve)
        reachesTop |= (l.x2 == 250 && l.y2 == 25);
    EXPECT_TRUE(reachesTop);
}

TEST(GraphPaint, EdgeSegmentsAreCutShortOutsideThePlot) {
    std::vector<DataRecord> records;
    for (int i = 0; i <= 40; ++i)
        records.push_back(R(1, kDay + 10 * i, i));
    const ShownRecords shown = CountShown(records, 1);
    GraphState s;
    PrepareGraph(s, records, shown, true, true);
    s.windowStart = kDay + 200;
    s.windowEnd = kDay + 240;
    PrepareGraph(s, records, shown, false, false);
    ASSERT_EQ(s.before, 19);
    ASSERT_EQ(s.after, 25);
    const PlotArea a{};
    const DisplayList list = PaintGraph(s, records, 1, a);
    const std::vector<DrawLine> curve = Lines(list, 3);
    ASSERT_FALSE(curve.empty());
    EXPECT_EQ(curve.front().x1, 35);  // left - 15, moved along the segment from 190 s
    EXPECT_EQ(curve.back().x2, 465);  // right + 15
    for (const DrawLine& l : curve) {
        EXPECT_GE(l.y1, 10);
        EXPECT_LE(l.y1, 205);
        EXPECT_GE(l.y2, 10);
        EXPECT_LE(l.y2, 205);
    }
}

// Pixels that a list of width-1 curve lines covers, with their colours: the lines are walked
// one pixel step at a time along their longer axis.
std::set<std::tuple<int, int, Rgb>> Raster(const std::vector<DrawLine>& lines) {
    std::set<std::tuple<int, int, Rgb>> pixels;
    for (const DrawLine& l : lines) {
        const int n = std::max(std::abs(l.x2 - l.x1), std::abs(l.y2 - l.y1));
        for (int k = 0; k <= n; ++k) {
            const double f = n == 0 ? 0.0 : static_cast<double>(k) / n;
            pixels.insert({static_cast<int>(std::lround(l.x1 + f * (l.x2 - l.x1))),
                           static_cast<int>(std::lround(l.y1 + f * (l.y2 - l.y1))), l.color});
        }
    }
    return pixels;
}

TEST(GraphPaint, ManyPointsPerColumnShowWhatEverySegmentWouldShow) {
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 3.0);
    std::vector<DataRecord> records;
    double v = 0;
    for (int i = 0; i < 20000; ++i) {
        v = std::clamp(v + noise(rng), -40.0, 40.0);
        records.push_back(R(1, kDay + i * 0.1, v, v > 20 ? 1 : v < -20 ? 2 : 0));
    }
    GraphState s;
    PrepareGraph(s, records, CountShown(records, 1), true, true);
    const PlotArea a{};
    const std::vector<DrawLine> reduced = Lines(PaintGraph(s, records, 1, a), 3);
    EXPECT_LT(reduced.size(), 6u * 400);

    // Every segment drawn one by one, with the same scales.
    const double kx = (a.right - a.left) / s.Span();
    const double ky = (a.bottom - a.top) / (s.valueTop - s.valueBottom);
    const auto px = [&](const DataRecord& r) {
        return static_cast<int>(a.left + (r.stamp - s.windowStart) * kx);
    };
    const auto py = [&](const DataRecord& r) {
        return static_cast<int>(a.bottom - (r.value - s.valueBottom) * ky);
    };
    const int yH = static_cast<int>(a.bottom - (s.highLimit - s.valueBottom) * ky);
    const int yL = static_cast<int>(a.bottom - (s.lowLimit - s.valueBottom) * ky);
    DisplayList full;
    for (std::size_t i = 1; i < records.size(); ++i) {
        LimitColouredSegment(full, px(records[i - 1]), py(records[i - 1]), px(records[i]),
                             py(records[i]), yH, yL);
    }
    EXPECT_GT(Lines(full).size(), 10000u);
    EXPECT_EQ(Raster(reduced), Raster(Lines(full)));
}

TEST(GraphPaint, FewPointsAreDrawnSegmentBySegment) {
    const std::vector<DataRecord> records = {R(1, kDay, 0.0), R(1, kDay + 20, 10.0),
                                             R(1, kDay + 40, 5.0), R(1, kDay + 60, 20.0)};
    GraphState s;
    PrepareGraph(s, records, CountShown(records, 1), true, true);
    s.highLimit = 100;
    s.lowLimit = -100;
    const DisplayList list = PaintGraph(s, records, 1, PlotArea{});
    const std::vector<DrawLine> curve = Lines(list, 3);
    ASSERT_EQ(curve.size(), 3u);
    // Pixels truncate the whole coordinate: 190 - 82.5 is 107, 190 - 41.25 is 148.
    EXPECT_EQ(curve[0], Curve(50, 190, 183, 107, colors::kBlack));
    EXPECT_EQ(curve[1], Curve(183, 107, 316, 148, colors::kBlack));
    EXPECT_EQ(curve[2], Curve(316, 148, 450, 25, colors::kBlack));
}

TEST(GraphPaint, OverloadSquaresOncePerColumnAndEdgeAndAKeptListIsRebuilt) {
    std::vector<DataRecord> records;
    for (int i = 0; i < 20000; ++i)
        records.push_back(R(1, kDay + i * 0.1, 10 * std::sin(i * 0.01)));
    GraphState s;
    PrepareGraph(s, records, CountShown(records, 1), true, true);
    const PlotArea a{};
    const double kx = (a.right - a.left) / s.Span();
    const auto px = [&](int i) {
        return static_cast<int>(a.left +
                                (records[static_cast<std::size_t>(i)].stamp - s.windowStart) * kx);
    };
    // j begins a pixel column where the curve runs well inside the plot: an overload square
    // would not be drawn on the pixel of the point before it.
    int j = 1001;
    while (px(j) == px(j - 1))
        ++j;
    ASSERT_EQ(px(j), px(j + 7));
    ASSERT_NE(px(j), px(j + 100));
    for (int k : {j + 1, j + 3, j + 100})
        records[static_cast<std::size_t>(k)].value = 9999.0;
    for (int k : {j + 5, j + 7})
        records[static_cast<std::size_t>(k)].value = -9999.0;

    DisplayList kept = PaintGraph(s, records, 1, a);  // a list that already holds a picture
    PaintGraph(s, records, 1, a, kept);
    const std::vector<DrawLine> thin = Lines(kept, 1);
    const auto count = [&](Rgb colour) {
        return std::count_if(thin.begin(), thin.end(),
                             [&](const DrawLine& l) { return l.color == colour; });
    };
    EXPECT_EQ(count(colors::kBlue), 2 * 4);  // two columns with a value above
    EXPECT_EQ(count(colors::kRed), 1 * 4);   // one with values below
    EXPECT_NE(std::find(thin.begin(), thin.end(),
                        DrawLine{px(j) - 5, a.top - 5, px(j) + 5, a.top - 5, colors::kBlue}),
              thin.end());
    EXPECT_NE(std::find(thin.begin(), thin.end(),
                        DrawLine{px(j) - 5, a.bottom - 5, px(j) + 5, a.bottom - 5, colors::kRed}),
              thin.end());
    EXPECT_EQ(kept.Items().size(), PaintGraph(s, records, 1, a).Items().size());
}

}  // namespace
}  // namespace qx
