#pragma once

#include <QString>
#include <Qt>

namespace quorvane {

struct TListColumn {
    QString Caption;
    int Width = 50;
    Qt::Alignment Alignment = Qt::AlignLeft;
    // Width type -2: as the last column it takes the remaining width of the list.
    bool AutoSizeUseHeader = false;
};

} // namespace quorvane
