#include "toolkit/FocusRowWithData.h"

#include "toolkit/TListView.h"

namespace quorvane {

quint64 FocusedRowData(const TListView& list)
{
    const int focused = list.ItemFocused();
    return focused >= 0 ? list.Data(focused) : 0;
}

int FocusRowWithData(TListView& list, quint64 data)
{
    const int row = data != 0 ? list.FindData(data) : -1;
    list.SetSelected(row);
    list.SetItemFocused(row);
    return row;
}

} // namespace quorvane
