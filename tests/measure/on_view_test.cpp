#include "measure/core/on_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace qx {
namespace {

// 6 pixels per byte at size 8, scaled with the font size.
int Width(std::string_view text, const Font& font) {
    return static_cast<int>(text.size()) * 6 * font.size / 8;
}

std::vector<DrawLine> Lines(const DisplayList& list) {
    std::vector<DrawLine> out;
    for (const DisplayItem& item : list.Items()) {
        if (item.kind == DisplayItem::Kind::Line) out.push_back(item.line);
    }
    return out;
}

std::vector<FillRect> Rects(const DisplayList& list) {
    std::vector<FillRect> out;
    for (const DisplayItem& item : list.Items()) {
        if (item.kind == DisplayItem::Kind::Rect) out.push_back(item.rect);
    }
    return out;
}

const DrawText* FindText(const DisplayList& list, const std::string& text) {
    for (const DisplayItem& item : list.Items()) {
        if (item.kind == DisplayItem::Kind::Text && item.text.text == text) return &item.text;
    }
    return nullptr;
}

void ExpectText(const DisplayList& list, const std::string& text, int x, int y, Rgb color,
                int size) {
    const DrawText* t = FindText(list, text);
    ASSERT_NE(t, nullptr) << text;
    EXPECT_EQ(t->x, x) << text;
    EXPECT_EQ(t->y, y) << text;
    EXPECT_EQ(t->color, color) << text;
    EXPECT_EQ(t->font.size, size) << text;
}

class OnViewTest : public ::testing::Test {
  protected:
    OnViewTest() {
        for (double v : {1.5, 2.5, 3.5})
            stats_.Add(v, 0);
        input_.stats = &stats_;
        input_.codes = {0, 1, 0};  // current, range "399.9"
        input_.value = 100.0;
        input_.stationState = 2;
        input_.status = {"QX1", colors::kBlack, "WZ???", colors::kRed};
    }
    DisplayList Paint(int w = 270, int h = 192, int wp = 273) {
        return PaintOnView(&layout_, w, h, wp, input_, Width);
    }
    OnlineStats stats_;
    OnViewInput input_;
    OnViewLayout layout_;
};

TEST_F(OnViewTest, RulesLabelsAndScaleAtDesignSize) {
    const DisplayList list = Paint();
    const std::vector<DrawLine> lines = Lines(list);
    ASSERT_EQ(lines.size(), 4u + 20u + 5u);
    EXPECT_EQ(lines[0], (DrawLine{70, 70, 270, 70, colors::kBlack}));
    EXPECT_EQ(lines[1], (DrawLine{70, 125, 270, 125, colors::kBlack}));
    EXPECT_EQ(lines[2], (DrawLine{0, 155, 270, 155, colors::kBlack}));
    EXPECT_EQ(lines[3], (DrawLine{70, 0, 70, 155, colors::kBlack}));
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(lines[4 + i], (DrawLine{10 + 12 * i, 175, 10 + 12 * i, 180, colors::kBlack}));
    }
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(lines[24 + i], (DrawLine{10 + 60 * i, 170, 10 + 60 * i, 180, colors::kBlack}));
        ExpectText(list, std::to_string(10 * i), 7 + 60 * i, 160, colors::kBlue, 8);
    }
    EXPECT_EQ(Rects(list).front(), (FillRect{0, 0, 270, 192, colors::kLime}));
    ExpectText(list, "Max:", 80, 5, colors::kBlue, 12);
    ExpectText(list, "Avg:", 80, 25, colors::kBlue, 12);
    ExpectText(list, "Min:", 80, 45, colors::kBlue, 12);
    ExpectText(list, "Status:", 80, 135, colors::kBlue, 8);
    // Texts cover what was there with the lime background.
    EXPECT_FALSE(FindText(list, "Max:")->transparent);
    EXPECT_EQ(FindText(list, "Max:")->background, colors::kLime);
}

TEST_F(OnViewTest, ValuesStatusAndBar) {
    const DisplayList list = Paint();
    ExpectText(list, "1.500", 10, 7 * 15 + 5, colors::kBlack, 8);
    ExpectText(list, "3.500", 10, 9 * 15 + 5, colors::kBlack, 8);
    ExpectText(list, "(?)", 10, 5, colors::kBlack, 8);
    ExpectText(list, "3.500", 10, 140, colors::kBlack, 8);
    ExpectText(list, "2.500", 10, 125, colors::kBlack, 8);
    ExpectText(list, "100.0  A", 80, 80, colors::kBlack, 20);  // live value with unit
    ExpectText(list, "QX1", 120, 135, colors::kBlack, 8);
    ExpectText(list, "WZ???", 165, 135, colors::kRed, 8);
    // Maximum, average and minimum in the right-hand column.
    const std::string column[] = {"3.500", "2.500", "1.500"};
    int row = 0;
    for (const DisplayItem& item : list.Items()) {
        if (item.kind != DisplayItem::Kind::Text || item.text.x != 140) continue;
        EXPECT_EQ(item.text.y, 5 + 20 * row);
        EXPECT_EQ(item.text.font.size, 12);
        EXPECT_EQ(item.text.text, column[row]);
        ++row;
    }
    EXPECT_EQ(row, 3);
    // 100 of full scale 400 over 243 pixels: trunc(60.75 + 10).
    EXPECT_EQ(Rects(list).back(), (FillRect{10, 180, 70, 185, colors::kBlack}));
}

TEST_F(OnViewTest, RecordingCountReplacesTheStatusTexts) {
    input_.recordingCount = 3;
    const DisplayList list = Paint();
    ExpectText(list, "(3  záznamů)", 120, 135, colors::kBlack, 8);
    EXPECT_EQ(FindText(list, "QX1"), nullptr);
    EXPECT_EQ(FindText(list, "WZ???"), nullptr);
}

// A value read before the station went silent or the port went away is not shown as current:
// the live value reads "(?)" and the bar is empty.
TEST_F(OnViewTest, NoLiveValueWithoutTheStationOrThePort) {
    const struct {
        int state;
        std::string portLost;
        std::string live;
        int barEnd;
    } cases[] = {
        {2, "", "100.0  A", 70},
        {1, "", "(?)", 10},
        {0, "", "(?)", 10},
        {2, "/dev/ttyUSB7", "(?)", 10},
    };
    for (const auto& c : cases) {
        input_.stationState = c.state;
        input_.portLost = c.portLost;
        const DisplayList list = Paint();
        const DrawText* live = nullptr;
        for (const DisplayItem& item : list.Items()) {
            if (item.kind == DisplayItem::Kind::Text && item.text.font.size == 20)
                live = &item.text;
        }
        ASSERT_NE(live, nullptr);
        EXPECT_EQ(live->text, c.live);
        EXPECT_EQ(Rects(list).back(), (FillRect{10, 180, c.barEnd, 185, colors::kBlack}))
            << c.state << c.portLost;
    }
    // The state takes the status row from the label on, in red; the device is shortened to the
    // rest of the row, here 400 - 10 - 80 - 216 pixels: 15 bytes.
    input_.portLost = "/dev/serial/by-id/usb-FTDI-port0";
    ExpectText(Paint(270, 192, 400), "odpojeno, čeká se na připojení: /dev/s…-port0", 80, 135,
               colors::kRed, 8);
    EXPECT_EQ(FindText(Paint(), "QX1"), nullptr);
}

struct BarCase {
    double value;
    int quantity, range, end;
};

TEST(OnViewBar, FullScaleAndAutomaticChoice) {
    const BarCase cases[] = {
        {100, 0, 1, 70},   {-100, 0, 1, 70},  {9999, 0, 1, 253},    {9999, 2, 3, 253},
        {9999, 0, 3, 10},  {-9999, 0, 1, 10}, {kNoValue, 0, 1, 10}, {250, 0, 3, 161},
        {30, 1, 3, 192},   {3, 7, 4, 192},    {3, 0, 3, 28},        {0.1, 7, 3, 70},
        {5000, 0, 0, 253}, {500, 0, 2, 253},  {0.5, 4, -1, 13},     {2, 4, 0, 131},
        {1234, 5, 2, 84},  {25, 6, 0, 25},    {9999, 6, -1, 10},    {std::nan(""), 0, 1, 10},
    };
    for (const BarCase& c : cases) {
        EXPECT_EQ(BarEnd(c.value, c.quantity, c.range, 273), c.end)
            << c.value << " q" << c.quantity << " r" << c.range;
    }
    EXPECT_EQ(BarFullScale(7, 3), 0.4);
    EXPECT_EQ(BarFullScale(0, 5), 0);
    EXPECT_EQ(BarFullScale(8, 0), 0);
}

TEST_F(OnViewTest, AutoRangeOverloadLeavesTheBarEmpty) {
    input_.codes = {0, 3, 0};
    input_.value = 9999;
    const DisplayList list = Paint();
    ExpectText(list, "OL  ", 80, 80, colors::kBlack, 20);
    EXPECT_EQ(Rects(list).back(), (FillRect{10, 180, 10, 185, colors::kBlack}));
}

TEST_F(OnViewTest, ErasingClearsBehindEachText) {
    layout_.Resize(270, 192);
    DisplayList list;
    OnViewStatusLine(&list, layout_, 273, input_, true, Width);
    OnViewValues(&list, layout_, 273, input_, true, Width);
    const std::vector<FillRect> rects = Rects(list);
    ASSERT_EQ(rects.size(), 1u + 10u + 3u + 1u + 2u);
    EXPECT_EQ(rects[0], (FillRect{140, 133, 263, 147, colors::kLime}));
    EXPECT_EQ(rects[1], (FillRect{10 + 18, 5, 60, 19, colors::kLime}));          // "(?)"
    EXPECT_EQ(rects[10], (FillRect{10 + 30, 140, 60, 154, colors::kLime}));      // "3.500"
    EXPECT_EQ(rects[11], (FillRect{140 + 45, 5, 263, 25, colors::kLime}));       // maximum
    EXPECT_EQ(rects[13], (FillRect{140 + 45, 45, 263, 65, colors::kLime}));      // minimum
    EXPECT_EQ(rects[14], (FillRect{80 + 8 * 15, 80, 263, 115, colors::kLime}));  // live value
    EXPECT_EQ(rects[15], (FillRect{70, 180, 263, 185, colors::kLime}));
    EXPECT_EQ(rects[16], (FillRect{10, 180, 70, 185, colors::kBlack}));
}

TEST_F(OnViewTest, PositionsFollowTheViewSize) {
    const DisplayList list = Paint(540, 384, 543);
    const std::vector<DrawLine> lines = Lines(list);
    EXPECT_EQ(lines[0], (DrawLine{140, 140, 540, 140, colors::kBlack}));
    EXPECT_EQ(lines[2], (DrawLine{0, 310, 540, 310, colors::kBlack}));
    EXPECT_EQ(lines[3], (DrawLine{140, 0, 140, 310, colors::kBlack}));
    EXPECT_EQ(lines[5], (DrawLine{35, 345, 35, 350, colors::kBlack}));  // trunc(510 * 0.05 + 10)
    ExpectText(list, "Avg:", 150, 45, colors::kBlue, 12);               // fixed offsets stay
    ExpectText(list, "100.0  A", 150, 150, colors::kBlack, 20);
    ExpectText(list, "3.500", 10, 9 * 30 + 5, colors::kBlack, 8);
    EXPECT_EQ(Rects(list).back(), (FillRect{10, 350, 138, 370, colors::kBlack}));
    // Back to the design size: nothing drifts.
    layout_.Resize(271, 193);
    layout_.Resize(1000, 77);
    EXPECT_EQ(Lines(Paint())[3], (DrawLine{70, 0, 70, 155, colors::kBlack}));
    EXPECT_EQ(layout_.Y6(), 185);
    EXPECT_FALSE(layout_.Resize(270, 192));
}

TEST(OnViewLayoutTest, ZeroSizeDoesNotBreakTheNextResize) {
    OnViewLayout layout;
    EXPECT_TRUE(layout.Resize(0, 0));
    EXPECT_EQ(layout.Y4(), 0);
    EXPECT_TRUE(layout.Resize(270, 192));
    EXPECT_EQ(layout.X0(), 70);
    EXPECT_EQ(layout.Y5(), 170);
}

}  // namespace
}  // namespace qx
