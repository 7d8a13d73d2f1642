#include "settings/TWindowPlacement.h"

#include <QWidget>

namespace quorvane {

bool GetWindowPlacement(const QWidget* widget, TWindowPlacement& placement)
{
    if (!widget || placement.length != TWindowPlacement::kLength)
        return false;
    const QWidget* window = widget->window();
    const Qt::WindowStates state = window->windowState();
    const bool maximized = state & (Qt::WindowMaximized | Qt::WindowFullScreen);
    placement.flags = 0;
    if (state & Qt::WindowMinimized) {
        placement.showCmd = TWindowPlacement::SW_SHOWMINIMIZED;
        if (maximized)
            placement.flags = TWindowPlacement::WPF_RESTORETOMAXIMIZED;
    } else {
        placement.showCmd
            = maximized ? TWindowPlacement::SW_SHOWMAXIMIZED : TWindowPlacement::SW_SHOWNORMAL;
    }
    // No window here has a place of its own when minimized or maximized.
    placement.minX = placement.minY = -1;
    placement.maxX = placement.maxY = -1;
    const QRect normal = window->normalGeometry();
    placement.normLeft = normal.x();
    placement.normTop = normal.y();
    placement.normRight = normal.x() + normal.width();
    placement.normBottom = normal.y() + normal.height();
    return true;
}

void SetWindowPlacement(QWidget* widget, const TWindowPlacement& placement)
{
    if (!widget)
        return;
    QWidget* window = widget->window();
    const Qt::WindowStates current = window->windowState();
    Qt::WindowStates state = current & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    // The normal rectangle first: maximizing afterwards keeps it as the one to come back to.
    if (current != state)
        window->setWindowState(state);
    window->setGeometry(placement.normLeft, placement.normTop,
        placement.normRight - placement.normLeft, placement.normBottom - placement.normTop);
    switch (placement.showCmd) {
    case TWindowPlacement::SW_SHOWMAXIMIZED:
        state |= Qt::WindowMaximized;
        break;
    case TWindowPlacement::SW_SHOWMINIMIZED:
    case TWindowPlacement::SW_MINIMIZE:
    case TWindowPlacement::SW_SHOWMINNOACTIVE:
        state |= Qt::WindowMinimized;
        if (placement.flags & TWindowPlacement::WPF_RESTORETOMAXIMIZED)
            state |= Qt::WindowMaximized;
        break;
    default:
        break;
    }
    window->setWindowState(state);
}

} // namespace quorvane
