#include "controls/split/ToxScrollPane.h"

#include "controls/split/ToxCustomSplit.h"

#include <QEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <typeinfo>

namespace quorvane {

namespace {
    // Set while one pane copies its position to the others, so the copies travel no further.
    bool copyingScroll = false;
}

ToxScrollPane::ToxScrollPane(QWidget* parent)
    : TControlWidget(parent)
{
    resize(185, 41);
    // The pane is no tab stop of its own; the keyboard visits what it holds.
    setFocusPolicy(Qt::NoFocus);
    ApplyFrame();
    ApplyScrollBarPolicies();
}

ToxCustomSplit* ToxScrollPane::Splitter() const
{
    return qobject_cast<ToxCustomSplit*>(parentWidget());
}

void ToxScrollPane::SetBorderStyle(TBorderStyle value)
{
    FBorderStyle = value;
    ApplyFrame();
}

void ToxScrollPane::SetCtl3D(bool value)
{
    FCtl3D = value;
    ApplyFrame();
}

void ToxScrollPane::ApplyFrame()
{
    if (FBorderStyle == bsNone) {
        setFrameStyle(QFrame::NoFrame);
    } else if (FCtl3D && ToxCustomSplit::NewLookInForce()) {
        setFrameStyle(QFrame::WinPanel | QFrame::Sunken); // the two-pixel sunken client edge
        setLineWidth(2);
    } else {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    }
}

void ToxScrollPane::SetAutoScroll(bool value)
{
    FAutoScroll = value;
    ApplyScrollBarPolicies();
}

void ToxScrollPane::SetHorzScrollBarVisible(bool value)
{
    FHorzVisible = value;
    ApplyScrollBarPolicies();
}

void ToxScrollPane::SetVertScrollBarVisible(bool value)
{
    FVertVisible = value;
    ApplyScrollBarPolicies();
}

void ToxScrollPane::ApplyScrollBarPolicies()
{
    setHorizontalScrollBarPolicy(
        FAutoScroll && FHorzVisible ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(
        FAutoScroll && FVertVisible ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

int ToxScrollPane::HorzScrollPosition() const
{
    return FHorzVisible ? horizontalScrollBar()->value() : 0;
}

int ToxScrollPane::VertScrollPosition() const
{
    return FVertVisible ? verticalScrollBar()->value() : 0;
}

QColor ToxScrollPane::Color() const
{
    return palette().color(viewport()->backgroundRole());
}

void ToxScrollPane::SetColor(const QColor& value)
{
    QPalette p = palette();
    p.setColor(backgroundRole(), value);
    p.setColor(viewport()->backgroundRole(), value);
    setPalette(p);
}

int ToxScrollPane::TabOrder() const
{
    const ToxCustomSplit* split = Splitter();
    return split ? split->ChildTabOrder(this) : 0;
}

void ToxScrollPane::SetTabOrder(int value)
{
    if (ToxCustomSplit* split = Splitter())
        split->SetChildTabOrder(this, value);
}

void ToxScrollPane::SetClientControl(QWidget* control)
{
    // Aligned to the client area: whatever its own size hints, it fills the pane at any size, so
    // the pane never scrolls.
    control->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    setWidgetResizable(true);
    setWidget(control);
    if (ToxCustomSplit* split = Splitter())
        split->ApplyTabChain();
}

void ToxScrollPane::SetBoundsRect(const QRect& bounds)
{
    FBounds = bounds;
    setGeometry(bounds.x(), bounds.y(), qMax(0, bounds.width()), qMax(0, bounds.height()));
}

void ToxScrollPane::Loaded()
{
    TComponent::Loaded();
    ToxCustomSplit* split = Splitter();
    if (!split)
        throw std::bad_cast();
    CopyInputHandlers(*split);
    if (WantsDrops())
        setAcceptDrops(true);
}

bool ToxScrollPane::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && !FShowHint)
        return true;
    return QScrollArea::event(event);
}

void ToxScrollPane::scrollContentsBy(int dx, int dy)
{
    QScrollArea::scrollContentsBy(dx, dy);
    if (copyingScroll)
        return;
    if (dx != 0)
        SyncOthers(Qt::Horizontal);
    if (dy != 0)
        SyncOthers(Qt::Vertical);
}

void ToxScrollPane::SyncOthers(Qt::Orientation orientation)
{
    ToxCustomSplit* split = Splitter();
    if (!split || !split->SyncScroll())
        return;
    const int position
        = orientation == Qt::Horizontal ? HorzScrollPosition() : VertScrollPosition();
    copyingScroll = true;
    for (QWidget* control : split->ChildControls()) {
        auto* pane = qobject_cast<ToxScrollPane*>(control);
        if (!pane || pane == this)
            continue;
        // The scroll bar limits the value to that pane's own range.
        if (orientation == Qt::Horizontal)
            pane->horizontalScrollBar()->setValue(position);
        else
            pane->verticalScrollBar()->setValue(position);
    }
    copyingScroll = false;
}

} // namespace quorvane
