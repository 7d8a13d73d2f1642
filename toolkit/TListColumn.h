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
    // Pointer-sized values ("$" and 16 hexadecimal digits here): the column starts at least as
    // wide as such a text needs in the list's font, whatever width was designed for it.
    bool HoldsPointer = false;
};

} // namespace quorvane
