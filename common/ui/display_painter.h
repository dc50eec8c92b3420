#pragma once
// Replays a display list built by the core with QPainter, and measures texts for the builders.

#include <QFont>

#include "common/core/display_list.h"

class QPainter;

namespace qx {

QFont ToQFont(const Font& font);
// Text width in pixels as QPainter will draw it; the builders take this as their TextWidth.
int QtTextWidth(std::string_view text, const Font& font);
void PaintDisplayList(QPainter& painter, const DisplayList& list);

}  // namespace qx
