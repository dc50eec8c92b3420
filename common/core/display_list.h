#pragma once
// A painted view as data: lines, filled rectangles and texts with their coordinates, colours,
// pens and fonts. Pure functions in the core build it; the widget replays it with QPainter, and
// tests compare it with exact expectations.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

using Rgb = std::uint32_t;  // 0xRRGGBB

namespace colors {
constexpr Rgb kBlack = 0x000000;
constexpr Rgb kWhite = 0xFFFFFF;
constexpr Rgb kRed = 0xFF0000;
constexpr Rgb kLime = 0x00FF00;
constexpr Rgb kBlue = 0x0000FF;
constexpr Rgb kYellow = 0xFFFF00;
constexpr Rgb kAqua = 0x00FFFF;
constexpr Rgb kFuchsia = 0xFF00FF;
constexpr Rgb kGreen = 0x008000;
constexpr Rgb kNavy = 0x000080;
constexpr Rgb kMaroon = 0x800000;
constexpr Rgb kOlive = 0x808000;
constexpr Rgb kTeal = 0x008080;
constexpr Rgb kPurple = 0x800080;
constexpr Rgb kGray = 0x808080;
constexpr Rgb kSilver = 0xC0C0C0;
constexpr Rgb kButtonFace = 0xF0F0F0;
}  // namespace colors

enum class PenStyle : std::uint8_t { Solid, Dot, Dash };

struct Font {
    std::string family = "Arial";
    int size = 8;  // points
    bool bold = false;
    bool operator==(const Font&) const = default;
};

struct DrawLine {
    int x1, y1, x2, y2;
    Rgb color;
    int width = 1;
    PenStyle style = PenStyle::Solid;
    bool operator==(const DrawLine&) const = default;
};

struct FillRect {
    int left, top, right, bottom;  // right and bottom exclusive
    Rgb color;
    bool operator==(const FillRect&) const = default;
};

struct DrawText {
    int x, y;          // top-left of the text box
    std::string text;  // UTF-8
    Rgb color;
    Font font;
    bool transparent = true;  // false: the text box is filled with `background`
    Rgb background = colors::kWhite;
    bool operator==(const DrawText&) const = default;
};

struct DisplayItem {
    enum class Kind : std::uint8_t { Line, Rect, Text } kind;
    DrawLine line{};
    FillRect rect{};
    DrawText text{};
};

// Measures a text in pixels for a font; the widget supplies QFontMetrics, tests a fixed rule.
using TextWidth = std::function<int(std::string_view text, const Font& font)>;
using TextHeight = std::function<int(const Font& font)>;

class DisplayList {
  public:
    void Line(const DrawLine& l) { items_.push_back({DisplayItem::Kind::Line, l, {}, {}}); }
    void Rect(const FillRect& r) { items_.push_back({DisplayItem::Kind::Rect, {}, r, {}}); }
    void Text(DrawText t) { items_.push_back({DisplayItem::Kind::Text, {}, {}, std::move(t)}); }
    const std::vector<DisplayItem>& Items() const { return items_; }
    void Clear() { items_.clear(); }
    void Reserve(std::size_t n) { items_.reserve(n); }

  private:
    std::vector<DisplayItem> items_;
};

// What a drop-down list shows: the Qt layer copies this into its QComboBox.
struct ListFill {
    std::vector<std::string> items;  // UTF-8
    int selected = -1;               // item index, -1 for none
    bool enabled = false;
    Rgb color = colors::kButtonFace;  // aqua when the list applies, button face when it does not
    bool operator==(const ListFill&) const = default;
};

}  // namespace qx
