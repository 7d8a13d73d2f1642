#include "TTrackOverlay.h"

#include <QPainter>

namespace quorvane {

TTrackOverlay::TTrackOverlay(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void TTrackOverlay::Invert(const QRect& rect)
{
    if (const qsizetype at = FShown.indexOf(rect); at >= 0)
        FShown.removeAt(at);
    else
        FShown.append(rect);
    if (FShown.isEmpty()) {
        hide();
    } else {
        setGeometry(parentWidget()->rect());
        raise();
        show();
    }
    update(rect);
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
