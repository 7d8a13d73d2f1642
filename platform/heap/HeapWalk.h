#pragma once

#include "platform/heap/HeapBlockRecord.h"

#include <cstddef>
#include <span>

namespace quorvane {

// A walk over every block of one heap of one process, in address order; it needs no snapshot.
// A walk over a damaged heap raises HeapWalkError after the blocks before the damage.
class HeapWalk {
public:
    virtual ~HeapWalk() = default;

    // False when the process has no such heap (or it cannot be read).
    virtual bool Heap32First(HEAPENTRY32& block, uint32_t processId, uint64_t heapId) = 0;
    virtual bool Heap32Next(HEAPENTRY32& block) = 0;
    // The blocks after the last one handed out, as many as fit and are left: for a caller
    // taking a whole heap, a call per batch instead of one per block. 0 after the last block; a
    // failure is raised once every block before it is handed out. This one hands out one a call.
    virtual size_t Heap32NextBlocks(std::span<HEAPENTRY32> blocks)
    {
        return !blocks.empty() && Heap32Next(blocks.front()) ? 1 : 0;
    }
};

} // namespace quorvane
