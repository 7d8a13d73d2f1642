#pragma once

#include "ChunkLinks.h"

#include <cstdint>
#include <vector>

namespace quorvane {

// The working memory of one heap walk. Fresh pages are dear (each first touch is a page fault),
// so a walk takes these from a pool and hands them back with their capacity for the next walk.
struct HeapWalkScratch {
    std::vector<uint64_t> streamBuffer; // the reused window the heap is copied through
    std::vector<uint64_t> chunks; // the chosen heap's chunks: size, bit 0 set when in use
    std::vector<uint64_t> cachedFree; // one bit per 16 bytes of the chosen heap
    std::vector<uint64_t> tcacheCandidates;
    std::vector<uint64_t> cachedChunks;
    ChunkLinks links;

    // Bytes held, for the pool's bound on what it keeps.
    size_t Capacity() const;
    // Empty again, every capacity kept.
    void Clear();
};

} // namespace quorvane
