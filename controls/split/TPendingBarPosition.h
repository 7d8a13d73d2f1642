#pragma once

#include <QObject>
#include <QPoint>

namespace quorvane {

class ToxQuadSplit;

// A window that has never been shown does not have its final size yet: a maximized one gets it
// only when the window manager shows it. Until the splitter first paints, this puts the position
// read from the store again at every resize, limited by the size the splitter has then.
class TPendingBarPosition : public QObject {
    Q_OBJECT
public:
    TPendingBarPosition(ToxQuadSplit& split, QPoint requested);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ToxQuadSplit& FSplit;
    QPoint FRequested;
};

} // namespace quorvane
