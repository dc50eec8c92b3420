#pragma once
// Copies the catalogue's list contents into a drop-down list: items, selection, enabled state and
// colour (aqua when the list applies, button face when it does not).

#include "common/core/display_list.h"

class QComboBox;

namespace qx {

// Selecting an item here does not emit the list's change signals: only the user's choice does.
void ApplyListFill(QComboBox* box, const ListFill& fill);

}  // namespace qx
