#pragma once

#include "platform/heap/ChunkLinks.h"
#include "platform/heap/ChunkMarks.h"

#include <cstdint>
#include <vector>

namespace quorvane {

// The working memory of one heap walk. Fresh pages are dear (each first touch is a page fault),
// so a walk takes these from a pool and hands them back with their capacity for the next walk.
struct HeapWalkScratch {
    std::vector<uint64_t> streamBuffer; // the reused window the heap is copied through
    // The chosen heap's chunks: size / 16 << 1, bit 0 set when in use. Where size / 16 does not
    // fit below 2^31 - 1 (32 GiB), that value stands for it, and the size is in largeSizes.
    std::vector<uint32_t> chunks;
    std::vector<uint64_t> largeSizes;
    ChunkMarks cachedFree; // over the chosen heap
    std::vector<uint64_t> tcacheCandidates;
    ChunkLinks links;

    // Bytes held, for the pool's bound on what it keeps.
    size_t Capacity() const;
    // Empty again, every capacity kept.
    void Clear();
};

} // namespace quorvane
