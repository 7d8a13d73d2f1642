#pragma once

class QTreeView;

namespace quorvane {

// A tree view keeps a layout item (40 bytes here) for every row it shows, in a list it lets grow
// to the next power of two of bytes: at a million rows that is 64 MiB for 40 MB of items. These
// keep the list at the size its rows need; the layout itself stays the view's own.

// Before a layout: room for exactly `rows` items when the list has less.
void ReserveTreeViewItems(QTreeView& view, int rows);
// After a layout: gives back what a list that shrank by more than a quarter no longer needs.
void TrimTreeViewItems(QTreeView& view);

} // namespace quorvane
