#include "controls/split/DrawBevelFrame.h"

#include <QPainter>

namespace quorvane {

void DrawBevelFrame(QPainter& canvas, QRect& r, const QColor& topColor, const QColor& bottomColor)
{
    const int left = r.left();
    const int top = r.top();
    const int right = r.left() + r.width(); // exclusive
    const int bottom = r.top() + r.height(); // exclusive
    if (right > left && bottom > top) {
        // Filled one-pixel strips: independent of the painter's pen and antialiasing.
        canvas.fillRect(QRect(left, top, 1, bottom - 1 - top), topColor);
        canvas.fillRect(QRect(left, top, right - 1 - left, 1), topColor);
        canvas.fillRect(QRect(right - 1, top, 1, bottom - top), bottomColor);
        canvas.fillRect(QRect(left, bottom - 1, right - left, 1), bottomColor);
    }
    r.adjust(1, 1, -1, -1);
}

} // namespace quorvane
