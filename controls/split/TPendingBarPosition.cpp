#include "controls/split/TPendingBarPosition.h"

#include "controls/split/ToxQuadSplit.h"

#include <QEvent>

namespace quorvane {

TPendingBarPosition::TPendingBarPosition(ToxQuadSplit& split, QPoint requested)
    : QObject(&split)
    , FSplit(split)
    , FRequested(requested)
{
    // One at a time: a newer read replaces an older one still waiting.
    for (TPendingBarPosition* other :
        split.findChildren<TPendingBarPosition*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (other != this)
            other->deleteLater();
    }
    split.installEventFilter(this);
}

bool TPendingBarPosition::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &FSplit) {
        if (event->type() == QEvent::Resize) {
            FSplit.BarPosition().SetX(FRequested.x());
            FSplit.BarPosition().SetY(FRequested.y());
        } else if (event->type() == QEvent::Paint) {
            FSplit.removeEventFilter(this);
            deleteLater();
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quorvane
