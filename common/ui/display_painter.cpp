#include "common/ui/display_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

namespace qx {
namespace {

QColor ToQColor(Rgb rgb) {
    return QColor::fromRgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

Qt::PenStyle ToQtStyle(PenStyle style) {
    switch (style) {
        case PenStyle::Dot:
            return Qt::DotLine;
        case PenStyle::Dash:
            return Qt::DashLine;
        default:
            return Qt::SolidLine;
    }
}

void PaintText(QPainter& painter, const DrawText& t) {
    const QFont font = ToQFont(t.font);
    const QString text = QString::fromUtf8(t.text.data(), static_cast<qsizetype>(t.text.size()));
    const QFontMetrics metrics(font);
    // Texts are placed by the top-left corner of their box.
    const QRect box(t.x, t.y, metrics.horizontalAdvance(text), metrics.height());
    if (!t.transparent) painter.fillRect(box, ToQColor(t.background));
    painter.setFont(font);
    painter.setPen(ToQColor(t.color));
    painter.drawText(QPoint(t.x, t.y + metrics.ascent()), text);
}

}  // namespace

QFont ToQFont(const Font& font) {
    QFont f(QString::fromStdString(font.family));
    f.setPointSize(font.size);
    f.setBold(font.bold);
    return f;
}

int QtTextWidth(std::string_view text, const Font& font) {
    return QFontMetrics(ToQFont(font))
        .horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void PaintDisplayList(QPainter& painter, const DisplayList& list) {
    for (const DisplayItem& item : list.Items()) {
        switch (item.kind) {
            case DisplayItem::Kind::Line: {
                const DrawLine& l = item.line;
                painter.setPen(QPen(ToQColor(l.color), l.width, ToQtStyle(l.style)));
                painter.drawLine(l.x1, l.y1, l.x2, l.y2);
                break;
            }
            case DisplayItem::Kind::Rect: {
                const FillRect& r = item.rect;
                if (r.right > r.left && r.bottom > r.top) {
                    painter.fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top),
                                     ToQColor(r.color));
                }
                break;
            }
            case DisplayItem::Kind::Text:
                PaintText(painter, item.text);
                break;
        }
    }
}

}  // namespace qx
