#pragma once

#include "ToolHelp.h"

namespace quorvane {

// A walk over every block of one heap of one process, in address order; it needs no snapshot.
// A walk over a damaged heap raises HeapWalkError after the blocks before the damage.
class HeapWalk {
public:
    virtual ~HeapWalk() = default;

    // False when the process has no such heap (or it cannot be read).
    virtual bool Heap32First(HEAPENTRY32& block, uint32_t processId, uint64_t heapId) = 0;
    virtual bool Heap32Next(HEAPENTRY32& block) = 0;
};

} // namespace quorvane
