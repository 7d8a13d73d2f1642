#pragma once

#include <QColor>
#include <QRect>

class QPainter;

namespace quorvane {

// A one-pixel frame on r: left and top edges in topColor, right and bottom edges (and the top-right
// and bottom-left corners) in bottomColor. r shrinks by one pixel on every side, so a second call
// draws just inside the first.
void DrawBevelFrame(QPainter& canvas, QRect& r, const QColor& topColor, const QColor& bottomColor);

} // namespace quorvane
