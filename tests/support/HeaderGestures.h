#pragma once

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTest>

namespace quorvane::testing {

// What a person does to a list's column headers, as real mouse events.

inline QPoint HeaderCenter(const QHeaderView& header, int column)
{
    return QPoint(header.sectionViewportPosition(column) + header.sectionSize(column) / 2,
        header.height() / 2);
}

inline void ClickHeader(QHeaderView& header, int column)
{
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, HeaderCenter(header, column));
}

// Presses at from, moves there to in steps with the button held, releases. A header starts a
// move only after the pointer has travelled a little, hence the steps.
inline void DragOnHeader(QHeaderView& header, QPoint from, QPoint to, int steps = 8)
{
    QWidget* port = header.viewport();
    QTest::mousePress(port, Qt::LeftButton, {}, from);
    for (int i = 1; i <= steps; ++i) {
        const QPoint at = from + (to - from) * i / steps;
        QMouseEvent move(QEvent::MouseMove, at, port->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
            Qt::NoModifier);
        QApplication::sendEvent(port, &move);
    }
    QTest::mouseRelease(port, Qt::LeftButton, {}, to);
}

// Drags a column's header in front of the column shown first.
inline void DragHeaderToFront(QHeaderView& header, int column)
{
    const QPoint from = HeaderCenter(header, column);
    DragOnHeader(header, from, QPoint(3, from.y()));
}

// Drags the right edge of a column's header by dx pixels.
inline void DragHeaderEdge(QHeaderView& header, int column, int dx)
{
    const QPoint from(header.sectionViewportPosition(column) + header.sectionSize(column) - 1,
        header.height() / 2);
    DragOnHeader(header, from, from + QPoint(dx, 0), 4);
}

} // namespace quorvane::testing
