#pragma once

namespace quorvane {

class ToxQuadSplit;

// Where the main window's bars crossed, kept in "Splitter" of the program's key. Reading puts the
// stored X and then Y into the splitter, each limited by its size at once (the current values
// serve when nothing is stored). Before the window is first shown, the stored pair is applied
// again as the window takes its final size. Store failures raise.
void ReadSplitterPosition(ToxQuadSplit& split);
void WriteSplitterPosition(const ToxQuadSplit& split);

} // namespace quorvane
