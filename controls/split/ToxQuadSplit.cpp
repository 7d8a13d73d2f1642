#include "controls/split/ToxQuadSplit.h"

#include "controls/split/Clamp.h"
#include "controls/split/TTrackOverlay.h"
#include "controls/split/ToxScrollPane.h"

#include <QMouseEvent>

namespace quorvane {

ToxQuadSplit::ToxQuadSplit(QWidget* parent)
    : ToxCustomSplit(parent)
{
    FBarPosition.OnChange = [this](TPointClass*) { BarPositionChanged(); };
    FBarPosition.SetPoint(50, 50);
    for (int i = 0; i < 4; ++i)
        new ToxScrollPane(this);
    // Moves without a button held choose the cursor over the bars.
    setMouseTracking(true);
}

ToxQuadSplit::~ToxQuadSplit()
{
    FBarPosition.OnChange = nullptr;
}

QPoint ToxQuadSplit::MaxBarPosition() const
{
    return { width() - 2 * FMargin - BarWidth(), height() - 2 * FMargin - BarWidth() };
}

void ToxQuadSplit::BarPositionChanged()
{
    // Runs inside the point's notification, so these writes notify nobody.
    FBarPosition.SetX(Clamp(FBarPosition.X(), 0, MaxBarPosition().x()));
    FBarPosition.SetY(Clamp(FBarPosition.Y(), 0, MaxBarPosition().y()));
    if (IsLoading())
        return;
    Realign();
    repaint();
    Resize();
}

void ToxQuadSplit::AlignControls()
{
    // Nothing to place while the constructor has not made the panes yet; fewer than four is a
    // fault.
    if (ChildControls().isEmpty())
        return;
    const QRect client = rect();
    const int left = FMargin;
    const int top = FMargin;
    const int right = client.width() - FMargin;
    const int bottom = client.height() - FMargin;
    const int bx = left + FBarPosition.X();
    const int by = top + FBarPosition.Y();
    const int w = BarWidth();
    const auto bounds = [](int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); };
    Panes(0)->SetBoundsRect(bounds(left, top, bx, by));
    Panes(1)->SetBoundsRect(bounds(bx + w, top, right, by));
    Panes(2)->SetBoundsRect(bounds(bx + w, by + w, right, bottom));
    Panes(3)->SetBoundsRect(bounds(left, by + w, bx, bottom));
}

ToxQuadSplit::THitArea ToxQuadSplit::HitTest(const QPoint& p) const
{
    const int vx = FMargin + FBarPosition.X();
    const int hy = FMargin + FBarPosition.Y();
    const bool inV = p.x() >= vx && p.x() < vx + BarWidth() && p.y() >= 0 && p.y() < height();
    const bool inH = p.y() >= hy && p.y() < hy + BarWidth() && p.x() >= 0 && p.x() < width();
    if (inV && inH)
        return haCrossing;
    if (inV)
        return haVertical;
    return inH ? haHorizontal : haNone;
}

void ToxQuadSplit::UpdateCursor(const QPoint& clientPoint)
{
    FHitPoint = clientPoint;
    if (Locked()) {
        unsetCursor();
        return;
    }
    switch (HitTest(clientPoint)) {
    case haCrossing:
        setCursor(Qt::CrossCursor);
        break;
    case haVertical:
        setCursor(Qt::SplitHCursor);
        break;
    case haHorizontal:
        setCursor(Qt::SplitVCursor);
        break;
    case haNone:
        unsetCursor();
        break;
    }
}

void ToxQuadSplit::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton && !Locked()) {
        FTrackPoint = p;
        switch (HitTest(p)) {
        case haVertical:
            FDragMode = -1;
            break;
        case haHorizontal:
            FDragMode = 1;
            break;
        case haCrossing:
            FDragMode = 0;
            break;
        case haNone:
            ToxCustomSplit::mousePressEvent(event);
            return;
        }
        FDragging = true;
        FGrabOffset
            = { p.x() - (FMargin + FBarPosition.X()), p.y() - (FMargin + FBarPosition.Y()) };
        DrawTrackLines();
    }
    ToxCustomSplit::mousePressEvent(event);
}

void ToxQuadSplit::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->buttons() == Qt::NoButton)
        UpdateCursor(p);
    if ((event->buttons() & Qt::LeftButton) && FDragging) {
        DrawTrackLines();
        FTrackPoint = p;
        // The far limit keeps the constant 2 whatever the style's margin.
        if (FTrackPoint.x() <= FMargin + FGrabOffset.x())
            FTrackPoint.setX(FMargin + FGrabOffset.x());
        else if (FTrackPoint.x() >= width() - BarWidth() - 1)
            FTrackPoint.setX(width() - BarWidth() - 2 + FGrabOffset.x());
        if (FTrackPoint.y() <= FMargin + FGrabOffset.y())
            FTrackPoint.setY(FMargin + FGrabOffset.y());
        else if (FTrackPoint.y() >= height() - BarWidth() - 1)
            FTrackPoint.setY(height() - BarWidth() - 2 + FGrabOffset.y());
        DrawTrackLines();
        if (AutoUpdate())
            ApplyTrackPoint();
    }
    ToxCustomSplit::mouseMoveEvent(event);
}

void ToxQuadSplit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && FDragging) {
        DrawTrackLines();
        FDragging = false;
        ApplyTrackPoint(); // the tracked point, not the release position
    }
    ToxCustomSplit::mouseReleaseEvent(event);
}

void ToxQuadSplit::ApplyTrackPoint()
{
    const int x = FTrackPoint.x() - FGrabOffset.x() - FMargin;
    const int y = FTrackPoint.y() - FGrabOffset.y() - FMargin;
    if (FDragMode < 0)
        FBarPosition.SetX(x);
    else if (FDragMode > 0)
        FBarPosition.SetY(y);
    else
        FBarPosition.SetPoint(x, y);
}

void ToxQuadSplit::DrawTrackLines()
{
    if (AutoUpdate())
        return;
    if (FDragMode <= 0) {
        Overlay()->Invert(
            QRect(FTrackPoint.x() - FGrabOffset.x(), FMargin, BarWidth(), height() - 2 * FMargin));
    }
    if (FDragMode >= 0) {
        Overlay()->Invert(
            QRect(FMargin, FTrackPoint.y() - FGrabOffset.y(), width() - 2 * FMargin, BarWidth()));
    }
}

void ToxQuadSplit::SetPaneTabOrder(ToxsPaneTabOrder value)
{
    FPaneTabOrder = value;
    for (int i = 0; i < PaneCount(); ++i)
        Panes(i)->SetTabOrder(i);
    if (PaneCount() < 4)
        return;
    switch (value) {
    case oxsAcross:
        Panes(3)->SetTabOrder(2);
        Panes(2)->SetTabOrder(3);
        break;
    case oxsDown:
        Panes(3)->SetTabOrder(1);
        Panes(1)->SetTabOrder(2);
        Panes(2)->SetTabOrder(3);
        break;
    case oxsClockwise:
        break;
    case oxsCounterClockwise:
        Panes(3)->SetTabOrder(1);
        Panes(2)->SetTabOrder(2);
        Panes(1)->SetTabOrder(3);
        break;
    }
}

} // namespace quorvane
