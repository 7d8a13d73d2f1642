#pragma once
// How the main window's lists and the dialogs write identifiers, addresses and priorities.

#include <QString>
#include <cstdint>

namespace quorvane {

// "$" and eight uppercase hexadecimal digits: process, thread and module identifiers.
QString HexIdentifier(uint32_t value);

// "$" and sixteen uppercase hexadecimal digits: addresses, handles and heap identifiers, which
// are pointer-sized here.
QString HexPointer(uint64_t value);

QString PriorityClassName(int32_t basePriority);
QString ThreadPriorityName(int32_t delta);

// "8+0 : Normal, Normal", "8-2 : Normal, Lowest".
QString ThreadPriorityText(int32_t basePriority, int32_t delta);

} // namespace quorvane
