#include "toolkit/TControlEvents.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace quorvane {

void TControlEvents::CopyInputHandlers(const TControlEvents& from)
{
    OnClick = from.OnClick;
    OnDragDrop = from.OnDragDrop;
    OnDragOver = from.OnDragOver;
    OnKeyDown = from.OnKeyDown;
    OnKeyPress = from.OnKeyPress;
    OnKeyUp = from.OnKeyUp;
    OnMouseDown = from.OnMouseDown;
    OnMouseMove = from.OnMouseMove;
    OnMouseUp = from.OnMouseUp;
}

void TControlEvents::DoClick(QObject* sender)
{
    if (OnClick)
        OnClick(sender);
}

void TControlEvents::DoDblClick(QObject* sender)
{
    if (OnDblClick)
        OnDblClick(sender);
}

void TControlEvents::DoMouseDown(
    QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    if (OnMouseDown)
        OnMouseDown(sender, button, shift, x, y);
}

void TControlEvents::DoMouseMove(
    QObject* sender, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y)
{
    if (OnMouseMove)
        OnMouseMove(sender, buttons, shift, x, y);
}

void TControlEvents::DoMouseUp(
    QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    if (OnMouseUp)
        OnMouseUp(sender, button, shift, x, y);
}

void TControlEvents::HandleMousePress(QWidget* sender, QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        FClickPressed = true;
    DoMouseDown(sender, event->button(), event->modifiers(), p.x(), p.y());
}

void TControlEvents::HandleMouseMove(QWidget* sender, QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    DoMouseMove(sender, event->buttons(), event->modifiers(), p.x(), p.y());
}

void TControlEvents::HandleMouseRelease(QWidget* sender, QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    // A click is a left press and release on the same control.
    const bool click
        = event->button() == Qt::LeftButton && FClickPressed && sender->rect().contains(p);
    if (event->button() == Qt::LeftButton)
        FClickPressed = false;
    if (click)
        DoClick(sender);
    DoMouseUp(sender, event->button(), event->modifiers(), p.x(), p.y());
}

void TControlEvents::HandleDoubleClick(QWidget* sender, QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        DoDblClick(sender);
}

bool TControlEvents::HandleKeyPress(QWidget* sender, QKeyEvent* event)
{
    if (OnKeyDown) {
        int key = event->key();
        OnKeyDown(sender, key, event->modifiers());
        if (key == 0)
            return true;
    }
    if (OnKeyPress && !event->text().isEmpty()) {
        QString text = event->text();
        OnKeyPress(sender, text);
        if (text.isEmpty())
            return true;
    }
    return false;
}

bool TControlEvents::HandleKeyRelease(QWidget* sender, QKeyEvent* event)
{
    if (!OnKeyUp)
        return false;
    int key = event->key();
    OnKeyUp(sender, key, event->modifiers());
    return key == 0;
}

void TControlEvents::HandleFocusIn(QWidget* sender)
{
    if (OnEnter)
        OnEnter(sender);
}

void TControlEvents::HandleFocusOut(QWidget* sender)
{
    if (OnExit)
        OnExit(sender);
}

void TControlEvents::HandleDragMove(QWidget* sender, QDragMoveEvent* event)
{
    if (!OnDragOver) {
        event->ignore();
        return;
    }
    bool accept = false;
    const QPoint p = event->position().toPoint();
    OnDragOver(sender, event->source(), p.x(), p.y(), accept);
    if (accept)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TControlEvents::HandleDrop(QWidget* sender, QDropEvent* event)
{
    if (!OnDragDrop)
        return;
    const QPoint p = event->position().toPoint();
    OnDragDrop(sender, event->source(), p.x(), p.y());
    event->acceptProposedAction();
}

} // namespace quorvane
