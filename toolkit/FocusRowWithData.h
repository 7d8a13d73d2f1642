#pragma once

#include <QtGlobal>

namespace quorvane {

class TListView;

// The data value of the list's focused row, remembered across a refill; 0 when no row has the
// focus, which is also what a row of identifier 0 counts as.
quint64 FocusedRowData(const TListView& list);

// Gives the focus back after a refill: selects and focuses the first row (in list order) whose
// data value is the remembered one; when none is (or the value is 0), no row stays selected or
// focused. Returns that row, or -1.
int FocusRowWithData(TListView& list, quint64 data);

} // namespace quorvane
