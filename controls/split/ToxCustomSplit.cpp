#include "controls/split/ToxCustomSplit.h"

#include "controls/split/DrawBevelFrame.h"
#include "controls/split/TTrackOverlay.h"
#include "controls/split/ToxScrollPane.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QSysInfo>
#include <stdexcept>
#include <typeinfo>

namespace quorvane {

ToxCustomSplit::ToxCustomSplit(QWidget* parent)
    : TControlWidget(parent)
    , FBarWidth(SizingFrameWidth())
    , FBarColor(palette().color(QPalette::Button))
{
    // Paints its whole area; the panes paint themselves over it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(185, 41);
    FOverlay = new TTrackOverlay(this);
}

ToxCustomSplit::~ToxCustomSplit() = default;

bool ToxCustomSplit::NewLookInForce()
{
    static const bool newLook = [] {
        bool ok = false;
        const int major = QSysInfo::kernelVersion().section(u'.', 0, 0).toInt(&ok);
        return ok && major >= 4;
    }();
    return newLook;
}

int ToxCustomSplit::SizingFrameWidth()
{
    return QApplication::style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
}

void ToxCustomSplit::SetBarWidth(int value)
{
    // No comparison: writing the same width still lays out and repaints.
    FBarWidth = value;
    Realign();
    update();
}

void ToxCustomSplit::SetAutoScroll(bool value)
{
    FAutoScroll = value;
    if (IsLoading())
        return;
    for (ToxScrollPane* pane : ChildPanes())
        pane->SetAutoScroll(value);
}

void ToxCustomSplit::SetBarColor(const QColor& value)
{
    if (value == FBarColor)
        return;
    FBarColor = value;
    update();
}

void ToxCustomSplit::SetStyle(ToxsStyle value)
{
    FStyle = value;
    if (IsLoading())
        return;
    FEffectiveStyle = value;
    if (value == oxsAuto)
        FEffectiveStyle = NewLookInForce() ? oxsWin95 : oxsWin31;
    switch (FEffectiveStyle) {
    case oxsWin31:
        FMargin = 0;
        break;
    case oxsWin95:
        FMargin = 2;
        break;
    case oxsInset:
        FMargin = 1;
        break;
    default: // oxsGroove keeps the margin it had
        break;
    }
    const QList<ToxScrollPane*> panes = ChildPanes();
    if (FBorderStyle == bsNone) {
        FMargin = 0;
        for (ToxScrollPane* pane : panes)
            pane->SetBorderStyle(bsNone);
    } else {
        for (ToxScrollPane* pane : panes)
            pane->SetBorderStyle(FEffectiveStyle == oxsWin31 ? bsSingle : bsNone);
    }
    update();
    Realign();
}

void ToxCustomSplit::SetBorderStyle(TBorderStyle value)
{
    if (value == FBorderStyle)
        return;
    FBorderStyle = value;
    SetStyle(FStyle);
}

QColor ToxCustomSplit::Color() const
{
    return palette().color(QPalette::Window);
}

void ToxCustomSplit::SetColor(const QColor& value)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, value);
    setPalette(p); // the palette change reaches the panes through changeEvent
}

void ToxCustomSplit::SetCtl3D(bool value)
{
    if (value == FCtl3D)
        return;
    FCtl3D = value;
    Ctl3DChanged();
}

void ToxCustomSplit::SetShowHint(bool value)
{
    if (value == FShowHint)
        return;
    FShowHint = value;
    ShowHintChanged();
}

void ToxCustomSplit::ColorChanged()
{
    if (IsLoading())
        return;
    for (ToxScrollPane* pane : ChildPanes())
        pane->SetColor(Color());
}

void ToxCustomSplit::FontChanged()
{
    if (IsLoading())
        return;
    for (ToxScrollPane* pane : ChildPanes())
        pane->setFont(font());
}

void ToxCustomSplit::Ctl3DChanged()
{
    if (!IsLoading()) {
        for (ToxScrollPane* pane : ChildPanes())
            pane->SetCtl3D(FCtl3D);
    }
    update();
}

void ToxCustomSplit::ShowHintChanged()
{
    if (IsLoading())
        return;
    for (ToxScrollPane* pane : ChildPanes())
        pane->SetShowHint(FShowHint);
}

QList<QWidget*> ToxCustomSplit::ChildControls() const
{
    QList<QWidget*> controls;
    for (QObject* child : children()) {
        if (child->isWidgetType() && child != FOverlay)
            controls.append(static_cast<QWidget*>(child));
    }
    return controls;
}

QList<ToxScrollPane*> ToxCustomSplit::ChildPanes() const
{
    QList<ToxScrollPane*> panes;
    for (QWidget* control : ChildControls()) {
        auto* pane = qobject_cast<ToxScrollPane*>(control);
        if (!pane)
            throw std::bad_cast();
        panes.append(pane);
    }
    return panes;
}

ToxScrollPane* ToxCustomSplit::Panes(int index) const
{
    if (!FPanes.isEmpty()) {
        if (index < 0 || index >= FPanes.size())
            throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
        return FPanes[index];
    }
    const QList<QWidget*> controls = ChildControls();
    if (index < 0 || index >= controls.size())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    auto* pane = qobject_cast<ToxScrollPane*>(controls[index]);
    if (!pane)
        throw std::bad_cast();
    return pane;
}

QList<QWidget*> ToxCustomSplit::TabSequence() const
{
    const QList<QWidget*> controls = ChildControls();
    QList<QWidget*> sequence;
    for (const QPointer<QWidget>& entry : FTabList) {
        if (entry && controls.contains(entry.data()))
            sequence.append(entry.data());
    }
    for (QWidget* control : controls) {
        if (!sequence.contains(control))
            sequence.append(control);
    }
    return sequence;
}

int ToxCustomSplit::ChildTabOrder(const QWidget* child) const
{
    return int(TabSequence().indexOf(const_cast<QWidget*>(child)));
}

void ToxCustomSplit::SetChildTabOrder(QWidget* child, int order)
{
    QList<QWidget*> sequence = TabSequence();
    if (!sequence.removeOne(child))
        return;
    sequence.insert(qBound(0, order, int(sequence.size())), child);
    FTabList.clear();
    for (QWidget* control : sequence)
        FTabList.append(control);
    ApplyTabChain();
}

void ToxCustomSplit::ApplyTabChain()
{
    // The panes take no focus themselves; the keyboard visits the controls inside them, pane by
    // pane in the splitter's tab sequence.
    QList<QWidget*> chain;
    for (QWidget* control : TabSequence()) {
        for (QWidget* inner : control->findChildren<QWidget*>()) {
            if (inner->focusPolicy() & Qt::TabFocus)
                chain.append(inner);
        }
    }
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void ToxCustomSplit::ReadState(const std::function<void()>& readChildren)
{
    for (QWidget* control : ChildControls())
        delete control;
    FTabList.clear();
    readChildren();
}

void ToxCustomSplit::Loaded()
{
    TComponent::Loaded();
    FLoadedDone = true;
    if ((ComponentState() & (csLoading | csReading)) == 0 && FPanes.isEmpty())
        FPanes = ChildPanes();
    ColorChanged();
    FontChanged();
    Ctl3DChanged();
    ShowHintChanged();
    SetAutoScroll(FAutoScroll);
    SetStyle(FStyle);
    ApplyTabChain();
    if (WantsDrops())
        setAcceptDrops(true);
}

void ToxCustomSplit::Resize()
{
    if (OnResize)
        OnResize(this);
}

void ToxCustomSplit::Realign()
{
    AlignControls();
}

bool ToxCustomSplit::event(QEvent* event)
{
    // A splitter made in code, outside any design, runs its loaded step before it is first shown.
    if (event->type() == QEvent::Polish && !FLoadedDone && !IsLoading())
        Loaded();
    return QWidget::event(event);
}

void ToxCustomSplit::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), FBarColor);
    PaintFrames(painter);
}

void ToxCustomSplit::PaintFrames(QPainter& painter)
{
    const QPalette& p = palette();
    const QColor btnShadow = p.color(QPalette::Dark);
    const QColor btnHighlight = p.color(QPalette::Light);
    const QColor windowFrame = p.color(QPalette::Shadow);
    const QColor btnFace = p.color(QPalette::Button);
    const int half = FBarWidth / 2;
    for (QWidget* control : ChildControls()) {
        QRect r = control->geometry();
        switch (FEffectiveStyle) {
        case oxsWin31:
            if (FCtl3D) {
                r.adjust(-1, -1, 1, 1);
                DrawBevelFrame(painter, r, btnShadow, btnHighlight);
            }
            break;
        case oxsWin95:
            r.adjust(-2, -2, 2, 2);
            DrawBevelFrame(painter, r, btnShadow, btnHighlight);
            DrawBevelFrame(painter, r, windowFrame, btnFace);
            break;
        case oxsInset:
            r.adjust(-1, -1, 1, 1);
            DrawBevelFrame(painter, r, btnShadow, btnHighlight);
            break;
        case oxsGroove:
            r.translate(1, 1);
            r.adjust(-half, -half, half, half);
            DrawBevelFrame(painter, r, btnHighlight, windowFrame);
            DrawBevelFrame(painter, r, btnFace, btnShadow);
            break;
        case oxsAuto:
            break;
        }
    }
    if (FEffectiveStyle == oxsWin31) {
        QRect client = rect();
        DrawBevelFrame(painter, client, windowFrame, windowFrame);
    }
}

void ToxCustomSplit::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The layout needs all its panes; a splitter still being read has not got them yet.
    if (ChildControls().size() >= 4)
        Realign();
    if (!IsLoading())
        Resize();
}

void ToxCustomSplit::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        ColorChanged();
    else if (event->type() == QEvent::FontChange)
        FontChanged();
}

} // namespace quorvane
