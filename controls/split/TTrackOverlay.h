#pragma once

#include <QList>
#include <QRect>
#include <QWidget>

namespace quorvane {

// A transparent layer over a splitter and its panes that shows inverted rectangles. Inverting a
// rectangle that is shown removes it again, as inverting the same pixels twice restores them.
class TTrackOverlay : public QWidget {
    Q_OBJECT
public:
    explicit TTrackOverlay(QWidget* parent);

    void Invert(const QRect& rect);
    const QList<QRect>& Shown() const { return FShown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QRect> FShown;
};

} // namespace quorvane
