#include "toolkit/TreeViewItems.h"

// The view's layout items are not public: their list is reached through Qt's private header of
// the very Qt version built against (the package then depends on that version's ABI).
#include <QTreeView>
#include <private/qtreeview_p.h>

namespace quorvane {

namespace {
    QList<QTreeViewItem>& ViewItems(QTreeView& view)
    {
        return static_cast<QTreeViewPrivate*>(QObjectPrivate::get(&view))->viewItems;
    }
}

void ReserveTreeViewItems(QTreeView& view, int rows)
{
    QList<QTreeViewItem>& items = ViewItems(view);
    if (items.capacity() >= rows)
        return;
    // Emptied first, so that nothing is copied: the layout fills every item afresh.
    items.clear();
    items.reserve(rows);
}

void TrimTreeViewItems(QTreeView& view)
{
    QList<QTreeViewItem>& items = ViewItems(view);
    if (items.capacity() - items.size() > items.size() / 4)
        items.squeeze();
}

} // namespace quorvane
