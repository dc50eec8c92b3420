#pragma once
// Picks from a drop-down list as a person does: a click opens the list's popup, a click on the
// item chooses it and closes the popup. The focus goes to the popup and back to the window on
// the way, which setting the current index from a test skips.

#include <QAbstractItemView>
#include <QComboBox>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionComboBox>
#include <QTest>

#include "tests/app/qt_test_app.h"

namespace qx::test {

// True when the popup opened, item `index` was clicked and the popup closed again.
inline bool PickWithMouse(QComboBox* box, int index) {
    if (index < 0 || index >= box->count() || !box->isVisible()) return false;
    // A list waiting for the module's answer is disabled for a moment; a person waits as well.
    if (!WaitFor([box] { return box->isEnabled(); })) return false;
    // An editable list opens from its arrow; a click on the text would go to the edit.
    QPoint arrow = box->rect().center();
    if (box->isEditable()) {
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.editable = true;
        arrow = box->style()
                    ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, box)
                    .center();
    }
    QTest::mouseClick(box, Qt::LeftButton, {}, arrow);
    QAbstractItemView* view = box->view();
    if (!WaitFor([view] { return view->isVisible(); })) return false;
    const QPoint at = view->visualRect(view->model()->index(index, box->modelColumn())).center();
    // A release soon after the click that opened the popup is taken as the end of that click.
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at,
                      QGuiApplication::styleHints()->mouseDoubleClickInterval() + 10);
    return WaitFor([view] { return !view->isVisible(); });
}

// The item whose text starts with `item`.
inline bool PickWithMouse(QComboBox* box, const QString& item) {
    return PickWithMouse(box, box->findText(item, Qt::MatchStartsWith));
}

}  // namespace qx::test
