#pragma once

class QAction;

namespace quorvane {

// The Show Warnings option: whether risky commands ask first. It lives only in the store and is
// read afresh on every use, so a change made while the program runs counts at once.
bool GetShowWarnings();
void SetShowWarnings(bool Value);

// What the menu item's click does: stores the opposite of the stored option, then sets the check
// mark from a fresh read of the store. When the store fails the error goes on, the mark showing
// what the store still holds.
void ToggleShowWarnings(QAction& ShowWarningsItem);

} // namespace quorvane
