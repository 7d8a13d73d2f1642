#pragma once

namespace quorvane {

// Registers the program's images (icon, glyphs), which live in a static library. Safe to call
// more than once.
void InitAppResources();

} // namespace quorvane
