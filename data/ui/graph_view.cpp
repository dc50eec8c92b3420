#include "data/ui/graph_view.h"

#include <QPaintEvent>
#include <QPainter>

#include "common/ui/display_painter.h"
#include "data/core/graph_paint.h"

namespace qx {

TGraphView::TGraphView(QWidget* parent) : QWidget(parent) {
    setObjectName("MGrView");
    // Painted, so without a text of its own; the hint (tooltip) serves as its description.
    setAccessibleName(QStringLiteral("Graf naměřených hodnot"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setToolTip("Graf naměřených hodnot (zobrazuje vybranou veličinu)");
}

void TGraphView::SetSource(const GraphState* state, const RecordList* list, const int* quantity) {
    state_ = state;
    list_ = list;
    quantity_ = quantity;
    update();
}

void TGraphView::Paint(QPainter& painter, const QRect& rect) {
    painter.save();
    painter.translate(rect.topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), rect.size()));
    painter.fillRect(QRect(QPoint(0, 0), rect.size()), Qt::white);
    const GraphState empty;
    const GraphState& state = state_ != nullptr ? *state_ : empty;
    const std::span<const DataRecord> records = list_ != nullptr
                                                    ? std::span<const DataRecord>(list_->records)
                                                    : std::span<const DataRecord>();
    const int quantity = quantity_ != nullptr ? *quantity_ : 0;
    const PlotArea area = GraphPlotArea(panelSize_.width(), panelSize_.height());
    PaintGraph(state, records, quantity, area, display_, QtTextWidth);
    PaintDisplayList(painter, display_);
    painter.restore();
}

void TGraphView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter, rect());
}

}  // namespace qx
