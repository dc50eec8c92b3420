#pragma once
// A push button as the pages build theirs: its given name as object name (so tests and the
// accessibility bus find it), its hint as tooltip, and its place on the page's design grid.

#include <QPushButton>
#include <QRect>
#include <QString>

namespace qx {

inline QPushButton* NamedButton(QWidget* parent, const char* name, const QString& text,
                                const QString& hint, const QRect& geometry) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setGeometry(geometry);
    return button;
}

}  // namespace qx
