#pragma once
// MGrView: the painted graph of the selected quantity. The picture is built by the core from the
// graph state and the record list as a display list and replayed here. Once given the graph
// state to work on, the view also takes the wheel, drags and keys, and reads out the pointer's
// place.

#include <QWidget>
#include <functional>
#include <optional>
#include <span>

#include "common/core/data_record.h"
#include "common/core/display_list.h"
#include "data/core/graph_interaction.h"
#include "data/core/graph_state.h"
#include "data/core/shown_records.h"

namespace qx {

class GraphView : public QWidget {
    Q_OBJECT
  public:
    explicit GraphView(QWidget* parent = nullptr);

    // What is drawn; the view keeps references, the owner keeps them alive.
    void SetSource(const GraphState* state, const RecordList* list, const int* quantity);
    // The plot area follows the panel's client area. Without this it is taken as the view with
    // the scroll bar's band under it, which is how the page lays them out, at any size.
    void SetPanelSize(QSize size) { panelSize_ = size; }
    // Paints the whole graph into `rect`.
    void Paint(QPainter& painter, const QRect& rect);
    // The picture of `size` pixels, as the view shows it at that size.
    DisplayList Picture(QSize size) const;
    // What is saved and printed: that picture under a heading naming the quantity, the window
    // and `dataFile`'s name; ExportSize(size) pixels.
    DisplayList ExportPicture(QSize size, const QString& dataFile) const;
    static QSize ExportSize(QSize size);

    // Lets the wheel, drags and keys change `state` (the one given to SetSource) for the records
    // `shown`; `changed` runs after each change, for the scroll bar and the buttons to follow.
    void SetInteraction(GraphState* state, const ShownRecords* shown,
                        std::function<void()> changed);

  signals:
    // The date, time and value under the pointer, for the status bar; empty when it leaves the
    // plot.
    void ReadOut(const QString& text);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    PlotArea Area(QSize size) const;
    std::span<const DataRecord> Records() const;
    void Changed();
    void ShowReadOut(QPoint at);
    // No cross-hair, an empty read-out.
    void ClearReadOut();

    const GraphState* state_ = nullptr;
    const RecordList* list_ = nullptr;
    const int* quantity_ = nullptr;
    std::optional<QSize> panelSize_;
    DisplayList display_;  // rebuilt on every paint, its memory kept

    GraphState* interactive_ = nullptr;  // the state the mouse and keys change; null: none
    const ShownRecords* shown_ = nullptr;
    std::function<void()> changed_;
    std::optional<GraphDrag> drag_;  // while the left button is held
    int wheelAngle_ = 0;             // eighths of a degree not yet taken as a notch
    std::optional<QPoint> pointer_;  // where the cross-hair stands, inside the plot
};

}  // namespace qx
