#include "measure/core/on_view.h"

#include <cmath>
#include <cstdio>

#include "measure/core/text_format.h"

namespace qx {
namespace {

constexpr double kFullScales[kQuantityCount][5] = {
    {4000, 400, 40, 0, 0}, {4000, 400, 40, 0, 0}, {4000, 400, 40, 4, 0}, {4000, 400, 40, 4, 0},
    {4, 0, 0, 0, 0},       {4000, 400, 0, 0, 0},  {400, 0, 0, 0, 0},     {400, 40, 4, 0.4, 0},
};

Font SizedFont(int size) {
    Font font;
    font.size = size;
    return font;
}

// Texts are drawn with the lime brush behind them, so a new text covers the old one.
DrawText OnLime(int x, int y, std::string text, Rgb color, int size) {
    return DrawText{x, y, std::move(text), color, SizedFont(size), false, colors::kLime};
}

void Rule(DisplayList* list, int x1, int y1, int x2, int y2) {
    list->Line(DrawLine{x1, y1, x2, y2, colors::kBlack});
}

void Scale(DisplayList* list, const OnViewLayout& l) {
    const int length = l.W() - 30;
    for (int i = 0; i < 20; ++i) {
        const int x = static_cast<int>(i * length * 0.05 + 10);
        Rule(list, x, l.Y5() + 5, x, l.Y5() + 10);
    }
    char label[16];
    for (int i = 0; i < 5; ++i) {
        const int x = static_cast<int>(i * length * 0.25 + 10);
        Rule(list, x, l.Y5(), x, l.Y5() + 10);
        std::snprintf(label, sizeof label, "%i", 10 * i);
        list->Text(OnLime(x - 3, l.Y4() + 5, label, colors::kBlue, 8));
    }
}

// One value text at (x, y) in black; with `erase` the rest of its row up to (right, bottom) is
// cleared first.
void ValueAt(DisplayList* list, const char* text, int x, int y, int right, int bottom, int size,
             bool erase, const TextWidth& textWidth) {
    if (erase) {
        const int end = x + textWidth(text, SizedFont(size));
        list->Rect(FillRect{end, y, right, bottom, colors::kLime});
    }
    list->Text(OnLime(x, y, text, colors::kBlack, size));
}

}  // namespace

double BarFullScale(int quantity, int range) {
    if (quantity < 0 || quantity >= kQuantityCount || range < 0 || range > 4) return 0;
    return kFullScales[quantity][range];
}

int BarEnd(double value, int quantity, int range, int panelWidth) {
    double m = std::fabs(value);
    double full = BarFullScale(quantity, range);
    if (value >= kOverload) m = full;
    // No value (NaN included) and negative overloads leave the bar empty.
    if (!(value < kNoValue) || value <= -kOverload) m = 0;
    if (full == 0) {
        if (m < 4 && quantity == kResistance) {
            full = 4;
        } else if (m < 40) {
            full = 40;
        } else if (m < 400) {
            full = 400;
        } else {
            full = 4000;
        }
    }
    if (m >= full) m = full;
    return static_cast<int>((panelWidth - 30) * m / full + 10);
}

void OnViewFrame(DisplayList* list, const OnViewLayout& l) {
    list->Rect(FillRect{0, 0, l.W(), l.H(), colors::kLime});
    Rule(list, l.X0(), l.Y1(), l.W(), l.Y1());
    Rule(list, l.X0(), l.Y3(), l.W(), l.Y3());
    Rule(list, 0, l.Y4(), l.W(), l.Y4());
    Rule(list, l.X0(), 0, l.X0(), l.Y4());
    list->Text(OnLime(l.X0() + 10, 5, "Max:", colors::kBlue, 12));
    list->Text(OnLime(l.X0() + 10, l.RS() + 5, "Avg:", colors::kBlue, 12));
    list->Text(OnLime(l.X0() + 10, 2 * l.RS() + 5, "Min:", colors::kBlue, 12));
    list->Text(OnLime(l.X0() + 10, l.Y3() + 10, "Status:", colors::kBlue, 8));
    Scale(list, l);
}

double ShownValue(const OnViewInput& input) {
    return input.stationState == 2 && input.portLost.empty() ? input.value : kNoValue;
}

void OnViewStatusLine(DisplayList* list, const OnViewLayout& l, int panelWidth,
                      const OnViewInput& input, bool erase, const TextWidth& textWidth) {
    if (erase) {
        list->Rect(FillRect{l.X0() + 70, l.Y3() + 8, panelWidth - 10, l.Y4() - 8, colors::kLime});
    }
    if (!input.portLost.empty()) {
        // Drawn over "Status:": the state alone is wider than the room after the label.
        const int x = l.X0() + 10;
        list->Text(
            OnLime(x, l.Y3() + 10,
                   LostPortStatusText(input.portLost, panelWidth - 10 - x, SizedFont(8), textWidth),
                   colors::kRed, 8));
        return;
    }
    if (input.recordingCount > 0) {
        char text[64];
        std::snprintf(text, sizeof text, "(%i  záznamů)", input.recordingCount);
        list->Text(OnLime(l.X0() + 50, l.Y3() + 10, text, colors::kBlack, 8));
        return;
    }
    list->Text(
        OnLime(l.X0() + 50, l.Y3() + 10, input.status.moduleText, input.status.moduleColor, 8));
    list->Text(OnLime(l.X0() + 95, l.Y3() + 10, input.status.instrumentText,
                      input.status.instrumentColor, 8));
}

void OnViewValues(DisplayList* list, const OnViewLayout& l, int panelWidth,
                  const OnViewInput& input, bool erase, const TextWidth& textWidth) {
    const OnlineStats& s = *input.stats;
    const int q = input.codes.quantity;
    char text[kTextBufferSize];
    for (int i = 0; i < OnlineStats::kHistory; ++i) {
        ValueText(text, s.History(i), s.HistorySign(i), q, -1, -1);
        ValueAt(list, text, 10, i * l.HR() + 5, l.X0() - 10, (i + 1) * l.HR() + 4, 8, erase,
                textWidth);
    }
    const int right = panelWidth - 10;
    const int x = l.X0() + 70;
    ValueText(text, s.Maximum(), s.MaximumSign(), q, -1, -1);
    ValueAt(list, text, x, 5, right, l.RS() + 5, 12, erase, textWidth);
    ValueText(text, s.Average(), s.LastSign(), q, -1, -1);
    ValueAt(list, text, x, l.RS() + 5, right, 2 * l.RS() + 5, 12, erase, textWidth);
    ValueText(text, s.Minimum(), s.MinimumSign(), q, -1, -1);
    ValueAt(list, text, x, 2 * l.RS() + 5, right, 3 * l.RS() + 5, 12, erase, textWidth);

    const double value = ShownValue(input);
    ValueText(text, value, input.sign, q, input.codes.range, q);
    ValueAt(list, text, l.X0() + 10, l.Y1() + 10, right, l.Y3() - 10, 20, erase, textWidth);

    const int barEnd = BarEnd(value, q, input.codes.range, panelWidth);
    if (erase) list->Rect(FillRect{barEnd, l.Y5() + 10, right, l.Y6(), colors::kLime});
    list->Rect(FillRect{10, l.Y5() + 10, barEnd, l.Y6(), colors::kBlack});
}

DisplayList PaintOnView(OnViewLayout* layout, int width, int height, int panelWidth,
                        const OnViewInput& input, const TextWidth& textWidth) {
    layout->Resize(width, height);
    DisplayList list;
    list.Reserve(64);
    OnViewFrame(&list, *layout);
    OnViewStatusLine(&list, *layout, panelWidth, input, false, textWidth);
    OnViewValues(&list, *layout, panelWidth, input, false, textWidth);
    return list;
}

}  // namespace qx
