#pragma once

#include "controls/split/SplitTypes.h"
#include "toolkit/TComponent.h"
#include "toolkit/TControlWidget.h"

#include <QRect>
#include <QScrollArea>

namespace quorvane {

class ToxCustomSplit;

// A pane of a splitter: a scroll area that takes the splitter's input handlers at its loaded step
// and, when the splitter asks for it, scrolls the other panes with it.
class ToxScrollPane : public TControlWidget<QScrollArea>, public TComponent {
    Q_OBJECT
public:
    explicit ToxScrollPane(QWidget* parent = nullptr);

    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);
    bool AutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool value);
    QColor Color() const;
    void SetColor(const QColor& value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value) { FShowHint = value; }

    // Scroll-bar descriptions: a bar that is not Visible hands on position 0.
    bool HorzScrollBarVisible() const { return FHorzVisible; }
    void SetHorzScrollBarVisible(bool value);
    bool VertScrollBarVisible() const { return FVertVisible; }
    void SetVertScrollBarVisible(bool value);
    int HorzScrollPosition() const;
    int VertScrollPosition() const;

    // Position in the splitter's tab sequence.
    int TabOrder() const;
    void SetTabOrder(int value);

    // A control that fills the pane (the pane's only content).
    void SetClientControl(QWidget* control);

    // The bounds the splitter's layout computed; may be empty or inverted, then the pane shows
    // nothing while the computed extent stays recorded here.
    QRect BoundsRect() const { return FBounds; }
    void SetBoundsRect(const QRect& bounds);

    // Throws std::bad_cast when the parent is not a splitter.
    void Loaded() override;

protected:
    bool event(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    ToxCustomSplit* Splitter() const;
    void ApplyFrame();
    void ApplyScrollBarPolicies();
    void SyncOthers(Qt::Orientation orientation);

    TBorderStyle FBorderStyle = bsSingle;
    bool FCtl3D = true;
    bool FAutoScroll = true;
    bool FShowHint = false;
    bool FHorzVisible = true;
    bool FVertVisible = true;
    QRect FBounds;
};

} // namespace quorvane
