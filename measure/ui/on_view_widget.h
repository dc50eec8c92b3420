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
    // The display list of the next paint, for the view's current size. It is laid out for the
    // size divided by Scale(), which is the design size in one direction at least.
    DisplayList Build();
    // How much larger than the design size the view paints: the smaller of the width's and the
    // height's ratio, so that texts grow with the room but always fit it; 1 at the design size.
    double Scale() const;

  signals:
    // The view left (or returned to) its design size; the Table page's grid adapts its row
    // height when the width is not the design width.
    void SizeChanged(int width, int height);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    int PanelWidth() const;

    Source source_;
    OnViewLayout layout_;
};

}  // namespace qx
