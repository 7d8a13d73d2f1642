#pragma once

#include "controls/split/TPointClass.h"
#include "controls/split/ToxCustomSplit.h"

namespace quorvane {

// Four panes in a two-by-two grid (0 top left, 1 top right, 2 bottom right, 3 bottom left) split
// by a vertical and a horizontal bar. The user drags either bar, or both at their crossing, with
// the left button; without AutoUpdate the new place shows as inverted lines until the release.
class ToxQuadSplit : public ToxCustomSplit {
    Q_OBJECT
public:
    enum THitArea { haNone, haVertical, haHorizontal, haCrossing };

    explicit ToxQuadSplit(QWidget* parent = nullptr);
    ~ToxQuadSplit() override;

    TPointClass& BarPosition() { return FBarPosition; }
    const TPointClass& BarPosition() const { return FBarPosition; }
    void SetBarPosition(const TPointClass& value) { FBarPosition.Assign(value); }
    ToxsPaneTabOrder PaneTabOrder() const { return FPaneTabOrder; }
    void SetPaneTabOrder(ToxsPaneTabOrder value);

    QPoint MaxBarPosition() const;
    THitArea HitTest(const QPoint& clientPoint) const;
    bool Dragging() const { return FDragging; }

protected:
    void AlignControls() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void BarPositionChanged();
    void UpdateCursor(const QPoint& clientPoint);
    void DrawTrackLines();
    void ApplyTrackPoint();

    TPointClass FBarPosition;
    int FDragMode = 0; // -1 vertical bar, 1 horizontal bar, 0 both at their crossing
    QPoint FGrabOffset;
};

} // namespace quorvane
