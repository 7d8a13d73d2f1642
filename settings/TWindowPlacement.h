#pragma once

class QWidget;

namespace quorvane {

// A window's placement in the ten values the store keeps: the state it is shown in, where it
// goes when minimized and maximized, and its rectangle in the normal state (right and bottom
// exclusive). The rectangle is the client area in screen coordinates, the one that Qt's window
// geometry reads and writes, so a stored placement comes back without drifting by the frame.
struct TWindowPlacement {
    static constexpr int kLength = 44;
    static constexpr int SW_HIDE = 0;
    static constexpr int SW_SHOWNORMAL = 1;
    static constexpr int SW_SHOWMINIMIZED = 2;
    static constexpr int SW_SHOWMAXIMIZED = 3;
    static constexpr int SW_MINIMIZE = 6;
    static constexpr int SW_SHOWMINNOACTIVE = 7;
    static constexpr int WPF_RESTORETOMAXIMIZED = 2;

    int length = kLength;
    int flags = 0;
    int showCmd = SW_SHOWNORMAL;
    int minX = 0;
    int minY = 0;
    int maxX = 0;
    int maxY = 0;
    int normLeft = 0;
    int normTop = 0;
    int normRight = 0;
    int normBottom = 0;
};

// Reads the placement of the window that holds widget; false when there is no window.
bool GetWindowPlacement(const QWidget* widget, TWindowPlacement& placement);
// Applies it as the platform allows: the window manager may still place the window itself.
void SetWindowPlacement(QWidget* widget, const TWindowPlacement& placement);

} // namespace quorvane
