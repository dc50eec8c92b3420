#include "measure/ui/on_view_widget.h"

#include <QPainter>

#include "common/ui/display_painter.h"

namespace qx {

TOnView::TOnView(QWidget* parent) : QWidget(parent) {
    setObjectName("MOnView");
    // A painted view has no text of its own for screen readers and desktop tests.
    setAccessibleName(QStringLiteral("Měřená hodnota"));
    setAccessibleDescription(QStringLiteral("Okamžitá hodnota, minimum, průměr a maximum"));
    resize(OnViewLayout::kDesignWidth, OnViewLayout::kDesignHeight);
}

int TOnView::PanelWidth() const {
    // The values and the bar reach to the lime panel's client edge, a little past the view.
    const QWidget* panel = parentWidget();
    return panel != nullptr ? panel->contentsRect().width() : width() + 3;
}

DisplayList TOnView::Build() {
    const OnlineStats empty;
    OnViewInput input;
    if (source_) input = source_();
    if (input.stats == nullptr) input.stats = &empty;
    return PaintOnView(&layout_, width(), height(), PanelWidth(), input, QtTextWidth);
}

void TOnView::Paint(QPainter& painter, const QRect& rect) {
    painter.save();
    painter.translate(rect.topLeft());
    PaintDisplayList(painter, Build());
    painter.restore();
}

void TOnView::resizeEvent(QResizeEvent*) {
    emit SizeChanged(width(), height());
}

void TOnView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter, rect());
}

}  // namespace qx
