#pragma once

#include "TListView.h"

#include <QStringList>

namespace quorvane::testing {

// A list's rows as "caption | sub-item | ..." lines, for comparing whole lists at once.
inline QStringList RowsOf(const TListView& list)
{
    QStringList rows;
    for (int row = 0; row < list.ItemCount(); ++row)
        rows
            << (QStringList { list.Caption(row) } + list.SubItems(row)).join(QStringLiteral(" | "));
    return rows;
}

inline quint64 FocusedData(const TListView& list)
{
    return list.ItemFocused() >= 0 ? list.Data(list.ItemFocused()) : 0;
}

} // namespace quorvane::testing
