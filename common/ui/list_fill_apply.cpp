#include "common/ui/list_fill_apply.h"

#include <QComboBox>
#include <QPalette>
#include <QSignalBlocker>

namespace qx {

void ApplyListFill(QComboBox* box, const ListFill& fill) {
    const QSignalBlocker blocker(box);
    // The lists are filled again on every station notification. Items that stay as they are are
    // left alone, so that a popup the user has open is not emptied under the mouse.
    bool same = box->count() == static_cast<int>(fill.items.size());
    for (int i = 0; same && i < box->count(); ++i)
        same = box->itemText(i) == QString::fromStdString(fill.items[static_cast<std::size_t>(i)]);
    if (!same) {
        box->clear();
        for (const std::string& item : fill.items)
            box->addItem(QString::fromStdString(item));
    }
    if (box->currentIndex() != fill.selected) box->setCurrentIndex(fill.selected);
    box->setEnabled(fill.enabled);
    const QColor color((fill.color >> 16) & 0xFF, (fill.color >> 8) & 0xFF, fill.color & 0xFF);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Button, color);
    box->setPalette(palette);
    box->setAutoFillBackground(true);
}

}  // namespace qx
