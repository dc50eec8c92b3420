#pragma once
// MOnView: the painted live-value view of the On-line page. The picture is built by the core as a
// display list and replayed here.

#include <QWidget>
#include <functional>

#include "measure/core/on_view.h"

namespace qx {

class TOnView : public QWidget {
    Q_OBJECT
  public:
    using Source = std::function<OnViewInput()>;

    explicit TOnView(QWidget* parent = nullptr);
    void SetSource(Source source) { source_ = std::move(source); }
    // Paints the whole view into `rect` (the widget's own rectangle when painting the screen).
    void Paint(QPainter& painter, const QRect& rect);
    // The display list of the next paint, for the view's current size.
    DisplayList Build();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int PanelWidth() const;

    Source source_;
    OnViewLayout layout_;
};

}  // namespace qx
