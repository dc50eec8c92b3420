#include "data/ui/graph_view.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include "common/ui/display_painter.h"
#include "data/core/graph_paint.h"
#include "data/ui/graph_export.h"

namespace qx {
namespace {

std::optional<GraphKey> KeyOf(int key) {
    switch (key) {
        case Qt::Key_Left:
            return GraphKey::Left;
        case Qt::Key_Right:
            return GraphKey::Right;
        case Qt::Key_Up:
            return GraphKey::Up;
        case Qt::Key_Down:
            return GraphKey::Down;
        case Qt::Key_PageUp:
            return GraphKey::PageUp;
        case Qt::Key_PageDown:
            return GraphKey::PageDown;
        case Qt::Key_Home:
            return GraphKey::Home;
        case Qt::Key_End:
            return GraphKey::End;
        case Qt::Key_Plus:
            return GraphKey::Plus;
        case Qt::Key_Minus:
            return GraphKey::Minus;
        default:
            return std::nullopt;
    }
}

}  // namespace

GraphView::GraphView(QWidget* parent) : QWidget(parent) {
    setObjectName("MGrView");
    // Painted, so without a text of its own; the hint (tooltip) serves as its description.
    setAccessibleName(QStringLiteral("Graf naměřených hodnot"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setToolTip("Graf naměřených hodnot (zobrazuje vybranou veličinu)");
}

void GraphView::SetSource(const GraphState* state, const RecordList* list, const int* quantity) {
    state_ = state;
    list_ = list;
    quantity_ = quantity;
    update();
}

void GraphView::SetInteraction(GraphState* state, const ShownRecords* shown,
                               std::function<void()> changed) {
    interactive_ = state;
    shown_ = shown;
    changed_ = std::move(changed);
    const bool on = state != nullptr && shown != nullptr;
    setMouseTracking(on);
    setFocusPolicy(on ? Qt::WheelFocus : Qt::NoFocus);
}

PlotArea GraphView::Area(QSize size) const {
    if (panelSize_) return GraphPlotArea(panelSize_->width(), panelSize_->height());
    return GraphPictureArea(size.width(), size.height());
}

std::span<const DataRecord> GraphView::Records() const {
    return list_ != nullptr ? std::span<const DataRecord>(list_->records)
                            : std::span<const DataRecord>();
}

DisplayList GraphView::Picture(QSize size) const {
    const GraphState empty;
    return GraphPicture(state_ != nullptr ? *state_ : empty, Records(),
                        quantity_ != nullptr ? *quantity_ : 0, size.width(), size.height(),
                        QtTextWidth);
}

DisplayList GraphView::ExportPicture(QSize size, const QString& dataFile) const {
    const GraphState empty;
    return GraphExportPicture(state_ != nullptr ? *state_ : empty, Records(),
                              quantity_ != nullptr ? *quantity_ : 0, size.width(), size.height(),
                              QFileInfo(dataFile).fileName().toStdString(), QtTextWidth);
}

QSize GraphView::ExportSize(QSize size) {
    return size + QSize(0, kGraphHeadingHeight);
}

void GraphView::Paint(QPainter& painter, const QRect& rect) {
    const GraphState empty;
    const GraphState& state = state_ != nullptr ? *state_ : empty;
    const int quantity = quantity_ != nullptr ? *quantity_ : 0;
    PaintGraph(state, Records(), quantity, Area(rect.size()), display_, QtTextWidth);
    painter.save();
    painter.translate(rect.topLeft());
    ReplayGraphPicture(painter, display_, rect.size());
    painter.restore();
}

void GraphView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter, rect());
    if (!pointer_) return;
    // The cross-hair belongs to the screen only: a saved or printed picture has none.
    const PlotArea a = Area(size());
    painter.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    painter.drawLine(pointer_->x(), a.top, pointer_->x(), a.bottom);
    painter.drawLine(a.left, pointer_->y(), a.right, pointer_->y());
}

void GraphView::Changed() {
    update();
    if (changed_) changed_();
}

void GraphView::ShowReadOut(QPoint at) {
    if (interactive_ == nullptr) return;
    const PlotArea a = Area(size());
    const std::string text =
        GraphReadOut(*interactive_, a, quantity_ != nullptr ? *quantity_ : 0, at.x(), at.y());
    const std::optional<QPoint> pointer = text.empty() ? std::nullopt : std::optional<QPoint>(at);
    if (pointer != pointer_) {
        pointer_ = pointer;
        update();
    }
    emit ReadOut(QString::fromStdString(text));
}

void GraphView::wheelEvent(QWheelEvent* event) {
    if (interactive_ == nullptr || shown_ == nullptr) return QWidget::wheelEvent(event);
    // A wheel notch is 120 eighths of a degree; a touchpad sends fractions of one, which add up.
    wheelAngle_ += event->angleDelta().y();
    const int x = static_cast<int>(event->position().x());
    bool changed = false;
    for (; wheelAngle_ >= 120; wheelAngle_ -= 120)
        changed |= WheelZoom(*interactive_, Records(), *shown_, Area(size()), 1, x);
    for (; wheelAngle_ <= -120; wheelAngle_ += 120)
        changed |= WheelZoom(*interactive_, Records(), *shown_, Area(size()), -1, x);
    event->accept();
    if (changed) {
        Changed();
        ShowReadOut(event->position().toPoint());
    }
}

void GraphView::mousePressEvent(QMouseEvent* event) {
    if (interactive_ == nullptr || event->button() != Qt::LeftButton) {
        return QWidget::mousePressEvent(event);
    }
    drag_ = StartGraphDrag(*interactive_, static_cast<int>(event->position().x()));
    setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void GraphView::mouseMoveEvent(QMouseEvent* event) {
    if (interactive_ == nullptr) return QWidget::mouseMoveEvent(event);
    const QPoint at = event->position().toPoint();
    if (drag_ && shown_ != nullptr &&
        DragGraph(*interactive_, Records(), *shown_, Area(size()), *drag_, at.x())) {
        Changed();
    }
    ShowReadOut(at);
}

void GraphView::mouseReleaseEvent(QMouseEvent* event) {
    if (!drag_ || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    drag_.reset();
    unsetCursor();
}

void GraphView::ClearReadOut() {
    if (interactive_ == nullptr || !pointer_) return;
    pointer_.reset();
    update();
    emit ReadOut(QString());
}

void GraphView::leaveEvent(QEvent* event) {
    ClearReadOut();
    QWidget::leaveEvent(event);
}

bool GraphView::event(QEvent* event) {
    switch (event->type()) {
        // A context menu, and the dialog one of its items opens, take the pointer: once they
        // have it, the view is not told when it leaves, and a cross-hair would stay behind.
        // A mouse move over the graph brings it back.
        case QEvent::ContextMenu:
        case QEvent::WindowDeactivate:
        case QEvent::Hide:
            ClearReadOut();
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

void GraphView::keyPressEvent(QKeyEvent* event) {
    const std::optional<GraphKey> key = KeyOf(event->key());
    if (interactive_ == nullptr || shown_ == nullptr || !key) return QWidget::keyPressEvent(event);
    if (GraphKeyPress(*interactive_, Records(), *shown_, *key)) Changed();
    event->accept();
}

}  // namespace qx
