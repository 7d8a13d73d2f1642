#pragma once

#include "toolkit/TControlEvents.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace quorvane {

// A widget of class Base whose mouse, key, focus and drag events go to its TControlEvents.
// Mouse and drag events stop here (a scroll area would pass them on to its parent); a key goes on
// to Base only when no handler took it.
template <typename Base> class TControlWidget : public Base, public TControlEvents {
public:
    using Base::Base;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        event->accept();
        HandleMousePress(this, event);
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        event->accept();
        HandleMouseMove(this, event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        event->accept();
        HandleMouseRelease(this, event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        event->accept();
        HandleDoubleClick(this, event);
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (!HandleKeyPress(this, event))
            Base::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent* event) override
    {
        if (!HandleKeyRelease(this, event))
            Base::keyReleaseEvent(event);
    }
    void focusInEvent(QFocusEvent* event) override
    {
        Base::focusInEvent(event);
        HandleFocusIn(this);
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        Base::focusOutEvent(event);
        HandleFocusOut(this);
    }
    void dragEnterEvent(QDragEnterEvent* event) override { HandleDragMove(this, event); }
    void dragMoveEvent(QDragMoveEvent* event) override { HandleDragMove(this, event); }
    void dropEvent(QDropEvent* event) override { HandleDrop(this, event); }
};

} // namespace quorvane
