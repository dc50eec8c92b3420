#pragma once
// MGrView: the painted graph of the selected quantity. The picture is built by the core from the
// graph state and the record list as a display list and replayed here.

#include <QWidget>
#include <span>

#include "common/core/data_record.h"
#include "common/core/display_list.h"
#include "data/core/graph_state.h"

namespace qx {

class TGraphView : public QWidget {
    Q_OBJECT
  public:
    explicit TGraphView(QWidget* parent = nullptr);

    // What is drawn; the view keeps references, the owner keeps them alive.
    void SetSource(const GraphState* state, const RecordList* list, const int* quantity);
    // The plot area follows the panel's client area, not the paint box itself.
    void SetPanelSize(QSize size) { panelSize_ = size; }
    // Paints the whole graph into `rect`.
    void Paint(QPainter& painter, const QRect& rect);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const GraphState* state_ = nullptr;
    const RecordList* list_ = nullptr;
    const int* quantity_ = nullptr;
    QSize panelSize_{397, 208};
    DisplayList display_;  // rebuilt on every paint, its memory kept
};

}  // namespace qx
