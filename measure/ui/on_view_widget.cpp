#include "measure/ui/on_view_widget.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

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

double TOnView::Scale() const {
    const double scale = std::min(static_cast<double>(width()) / OnViewLayout::kDesignWidth,
                                  static_cast<double>(height()) / OnViewLayout::kDesignHeight);
    return scale > 0 ? scale : 1.0;
}

DisplayList TOnView::Build() {
    const OnlineStats empty;
    OnViewInput input;
    if (source_) input = source_();
    if (input.stats == nullptr) input.stats = &empty;
    // At the design size the scale is exactly 1 and the list keeps its design coordinates; in a
    // larger view the painter scales them, and the layout takes up the rest of the other
    // direction.
    const double scale = Scale();
    const auto unscaled = [scale](int pixels) {
        return static_cast<int>(std::lround(pixels / scale));
    };
    return PaintOnView(&layout_, unscaled(width()), unscaled(height()), unscaled(PanelWidth()),
                       input, QtTextWidth);
}

void TOnView::Paint(QPainter& painter, const QRect& rect) {
    painter.save();
    painter.translate(rect.topLeft());
    const DisplayList list = Build();
    painter.scale(Scale(), Scale());
    PaintDisplayList(painter, list);
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
