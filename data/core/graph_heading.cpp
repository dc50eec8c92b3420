// The heading of a saved or printed graph: what it shows (quantity and unit), when (the window's
// span) and from which data file. It goes on the picture only, never on the screen.

#include <string>
#include <string_view>

#include "data/core/graph_paint.h"
#include "measure/core/catalogue.h"
#include "measure/core/text_format.h"

namespace qx {

namespace {

// "07.12.2026 12:00:00 – 13:00:00", the date of the end only when it is another day.
std::string SpanText(double start, double end) {
    char date[kTextBufferSize];
    char time[kTextBufferSize];
    char endDate[kTextBufferSize];
    char endTime[kTextBufferSize];
    DateText(date, start, true);
    TimeText(time, start, 0);
    DateText(endDate, end, true);
    TimeText(endTime, end, 0);
    std::string text = std::string(date) + " " + time + " – ";
    if (std::string_view(date) != endDate) text += std::string(endDate) + " ";
    return text + endTime;
}

// `text` without its middle characters, "…" in their place; `keep` characters are kept, never
// cutting a UTF-8 sequence.
std::string Shortened(std::string_view text, std::size_t keep) {
    std::vector<std::size_t> starts;  // where each character begins
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
    }
    if (keep >= starts.size()) return std::string(text);
    const std::size_t head = (keep + 1) / 2, tail = keep - head;
    return std::string(text.substr(0, starts[head])) + "…" +
           std::string(text.substr(starts[starts.size() - tail]));
}

}  // namespace

std::string GraphHeadingText(const GraphState& s, int quantity, std::string_view fileName) {
    std::string text = QuantityText(quantity);
    // Without a record of the quantity the window is a placeholder, not a time.
    if (s.first >= 0) text += "   " + SpanText(s.windowStart, s.windowEnd);
    if (!fileName.empty()) text += "   " + std::string(fileName);
    return text;
}

DisplayList GraphExportPicture(const GraphState& s, std::span<const DataRecord> records,
                               int quantity, int width, int height, std::string_view fileName,
                               const TextWidth& textWidth) {
    constexpr int kMargin = 4;
    const Font font{"Arial", 8, false};
    std::string heading = GraphHeadingText(s, quantity, fileName);
    if (textWidth) {
        std::size_t keep = fileName.size();
        while (keep > 6 && textWidth(heading, font) > width - 2 * kMargin) {
            keep -= 2;
            heading = GraphHeadingText(s, quantity, Shortened(fileName, keep));
        }
    }
    DisplayList list;
    list.Text({kMargin, 3, heading, colors::kBlack, font});
    const DisplayList graph = GraphPicture(s, records, quantity, width, height, textWidth);
    list.Reserve(graph.Items().size() + 1);
    for (DisplayItem item : graph.Items()) {
        item.line.y1 += kGraphHeadingHeight;
        item.line.y2 += kGraphHeadingHeight;
        item.rect.top += kGraphHeadingHeight;
        item.rect.bottom += kGraphHeadingHeight;
        item.text.y += kGraphHeadingHeight;
        switch (item.kind) {
            case DisplayItem::Kind::Line:
                list.Line(item.line);
                break;
            case DisplayItem::Kind::Rect:
                list.Rect(item.rect);
                break;
            case DisplayItem::Kind::Text:
                list.Text(std::move(item.text));
                break;
        }
    }
    return list;
}

}  // namespace qx
