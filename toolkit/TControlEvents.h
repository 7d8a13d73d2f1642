#pragma once

#include <QString>
#include <Qt>
#include <functional>

class QObject;
class QWidget;
class QMouseEvent;
class QKeyEvent;
class QDragMoveEvent;
class QDropEvent;

namespace quorvane {

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMouseEvent = std::function<void(
    QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(
    QObject* Sender, Qt::MouseButtons Buttons, Qt::KeyboardModifiers Shift, int X, int Y)>;
// Key 0 after the call: the handler took the key.
using TKeyEvent = std::function<void(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift)>;
// Key empty after the call: the handler took the character.
using TKeyPressEvent = std::function<void(QObject* Sender, QString& Key)>;
using TDragOverEvent
    = std::function<void(QObject* Sender, QObject* Source, int X, int Y, bool& Accept)>;
using TDragDropEvent = std::function<void(QObject* Sender, QObject* Source, int X, int Y)>;

// The mouse, key, click and drag events of a windowed control. The widget forwards its Qt events
// to the Handle... functions; each Do... fires its event only when a handler is assigned.
class TControlEvents {
public:
    virtual ~TControlEvents() = default;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

    // Copies the handlers that a scroll pane takes over from its splitter.
    void CopyInputHandlers(const TControlEvents& from);

protected:
    virtual void DoClick(QObject* sender);
    virtual void DoDblClick(QObject* sender);
    virtual void DoMouseDown(
        QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    virtual void DoMouseMove(
        QObject* sender, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y);
    virtual void DoMouseUp(
        QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

    // The key handlers return true when a handler took the key.
    void HandleMousePress(QWidget* sender, QMouseEvent* event);
    void HandleMouseMove(QWidget* sender, QMouseEvent* event);
    void HandleMouseRelease(QWidget* sender, QMouseEvent* event);
    void HandleDoubleClick(QWidget* sender, QMouseEvent* event);
    bool HandleKeyPress(QWidget* sender, QKeyEvent* event);
    bool HandleKeyRelease(QWidget* sender, QKeyEvent* event);
    void HandleFocusIn(QWidget* sender);
    void HandleFocusOut(QWidget* sender);
    void HandleDragMove(QWidget* sender, QDragMoveEvent* event);
    void HandleDrop(QWidget* sender, QDropEvent* event);
    bool WantsDrops() const { return OnDragOver || OnDragDrop; }

private:
    bool FClickPressed = false;
};

} // namespace quorvane
