#include "controls/split/TTrackOverlay.h"

#include <QEvent>
#include <QPainter>

namespace quorvane {

TTrackOverlay::TTrackOverlay(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    // Always shown and on top: showing or raising a layer repaints everything below it, while an
    // empty one costs nothing.
    parent->installEventFilter(this);
    setGeometry(parent->rect());
    raise();
}

void TTrackOverlay::Invert(const QRect& rect)
{
    if (const qsizetype at = FShown.indexOf(rect); at >= 0)
        FShown.removeAt(at);
    else
        FShown.append(rect);
    update(rect);
}

bool TTrackOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget()) {
        if (event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        else if (event->type() == QEvent::ChildAdded)
            raise(); // stays above panes made after it
    }
    return QWidget::eventFilter(watched, event);
}

void TTrackOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Each rectangle inverts what lies below it, so where two overlap the pixels show unchanged.
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    for (const QRect& rect : FShown)
        painter.fillRect(rect, Qt::black);
}

} // namespace quorvane
