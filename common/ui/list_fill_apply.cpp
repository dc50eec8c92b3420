#include "common/ui/list_fill_apply.h"

#include <QComboBox>
#include <QPalette>
#include <QSignalBlocker>

namespace qx {

void ApplyListFill(QComboBox* box, const ListFill& fill) {
    const QSignalBlocker blocker(box);
    box->clear();
    for (const std::string& item : fill.items)
        box->addItem(QString::fromStdString(item));
    box->setCurrentIndex(fill.selected);
    box->setEnabled(fill.enabled);
    const QColor color((fill.color >> 16) & 0xFF, (fill.color >> 8) & 0xFF, fill.color & 0xFF);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Button, color);
    box->setPalette(palette);
    box->setAutoFillBackground(true);
}

}  // namespace qx
