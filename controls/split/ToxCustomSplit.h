#pragma once

#include "controls/split/SplitTypes.h"
#include "toolkit/TComponent.h"
#include "toolkit/TControlWidget.h"

#include <QColor>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace quorvane {

class ToxScrollPane;
class TTrackOverlay;

// The base of a splitter whose only children are scroll panes: bar colour and width, the visual
// style with its margin and frames, and the appearance it hands down to every pane. Geometry and
// dragging belong to the derived class.
class ToxCustomSplit : public TControlWidget<QWidget>, public TComponent {
    Q_OBJECT
public:
    explicit ToxCustomSplit(QWidget* parent = nullptr);
    ~ToxCustomSplit() override;

    bool AutoUpdate() const { return FAutoUpdate; }
    void SetAutoUpdate(bool value) { FAutoUpdate = value; }
    int BarWidth() const { return FBarWidth; }
    void SetBarWidth(int value);
    bool AutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool value);
    bool SyncScroll() const { return FSyncScroll; }
    void SetSyncScroll(bool value) { FSyncScroll = value; }
    QColor BarColor() const { return FBarColor; }
    void SetBarColor(const QColor& value);
    ToxsStyle Style() const { return FStyle; }
    void SetStyle(ToxsStyle value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    bool Locked() const { return FLocked; }
    void SetLocked(bool value) { FLocked = value; }

    // Appearance handed to every pane.
    QColor Color() const;
    void SetColor(const QColor& value);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);

    ToxsStyle EffectiveStyle() const { return FEffectiveStyle; }
    int Margin() const { return FMargin; }

    // 0 until the loaded step has listed the panes.
    int PaneCount() const { return int(FPanes.size()); }
    // Before the loaded step: the child control at index. Throws std::out_of_range.
    ToxScrollPane* Panes(int index) const;
    // Every child widget but the tracking layer, in child order.
    QList<QWidget*> ChildControls() const;

    // Position of a child in the splitter's tab sequence; moving one shifts the others.
    int ChildTabOrder(const QWidget* child) const;
    void SetChildTabOrder(QWidget* child, int order);
    void ApplyTabChain();

    // Reading from a design: the panes made by the constructor are destroyed and those that
    // readChildren makes (with the splitter as parent) take their place.
    void ReadState(const std::function<void()>& readChildren);

    void Loaded() override;

    // The newer look (sunken two-pixel edges) is taken when the running kernel's major version is
    // 4 or more, read once per process.
    static bool NewLookInForce();
    // Width of the platform's sizing frame: the style's frame width of a sizable sub-window.
    static int SizingFrameWidth();

    TNotifyEvent OnResize;

protected:
    virtual void AlignControls() { }
    virtual void Resize();
    // Lays the panes out again; throws std::out_of_range when the derived layout lacks a pane.
    void Realign();
    TTrackOverlay* Overlay() const { return FOverlay; }
    QList<ToxScrollPane*> ChildPanes() const; // throws std::bad_cast for a child of another kind

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

    int FMargin = 0;
    QPoint FTrackPoint;
    bool FDragging = false;
    QPoint FHitPoint;

private:
    void ColorChanged();
    void FontChanged();
    void Ctl3DChanged();
    void ShowHintChanged();
    void PaintFrames(QPainter& painter);
    QList<QWidget*> TabSequence() const;

    bool FAutoUpdate = false;
    int FBarWidth = 0;
    QColor FBarColor;
    ToxsStyle FStyle = oxsAuto;
    bool FAutoScroll = true;
    ToxsStyle FEffectiveStyle = oxsAuto;
    bool FSyncScroll = false;
    TBorderStyle FBorderStyle = bsSingle;
    bool FLocked = false;
    bool FLoadedDone = false;
    QList<ToxScrollPane*> FPanes;
    bool FCtl3D = true;
    bool FShowHint = false;
    QList<QPointer<QWidget>> FTabList;
    TTrackOverlay* FOverlay = nullptr;

protected:
    ToxsPaneTabOrder FPaneTabOrder = oxsAcross;
};

} // namespace quorvane
