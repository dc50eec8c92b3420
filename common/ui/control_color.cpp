#include "common/ui/control_color.h"

#include <QPalette>
#include <QWidget>

namespace qx {

void SetControlColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    // A drop-down list paints its face with Button, an edit its field with Base.
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Button, color);
    widget->setPalette(palette);
}

QColor ControlColor(const QWidget* widget) {
    return widget->palette().color(QPalette::Base);
}

}  // namespace qx
