#pragma once

namespace quorvane {

// The look of a splitter's bars and pane frames; oxsAuto picks one at the loaded step.
enum ToxsStyle : unsigned char { oxsAuto, oxsWin31, oxsWin95, oxsInset, oxsGroove };

// The order in which the keyboard visits a four-pane splitter's panes.
enum ToxsPaneTabOrder : unsigned char { oxsAcross, oxsDown, oxsClockwise, oxsCounterClockwise };

enum TBorderStyle : unsigned char { bsNone, bsSingle };

} // namespace quorvane
