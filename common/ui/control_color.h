#pragma once
// The fill colour of an input: aqua for a list that applies, red for an unusable port, button
// face for a disabled list, white for an edit. Kept in the palette (what is painted) and read
// back from it.

#include <QColor>

class QWidget;

namespace qx {

inline const QColor kAqua{0x00, 0xFF, 0xFF};
inline const QColor kRed{0xFF, 0x00, 0x00};
inline const QColor kWhite{0xFF, 0xFF, 0xFF};
inline const QColor kYellow{0xFF, 0xFF, 0x00};
inline const QColor kButtonFace{0xF0, 0xF0, 0xF0};

void SetControlColor(QWidget* widget, const QColor& color);
QColor ControlColor(const QWidget* widget);

}  // namespace qx
