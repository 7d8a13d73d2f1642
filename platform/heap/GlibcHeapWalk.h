#pragma once

#include "platform/heap/HeapWalk.h"
#include "platform/heap/HeapWalkScratch.h"
#include "platform/proc/ProcMaps.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorvane {

class RemoteMemory;

// The heap walk over glibc malloc, read from outside with process_vm_readv. Heap32First holds
// the process still where ptrace allows (else reads it live), takes in every chunk of the heap
// and the free lists that classify them, and lets the process go again before it returns; Next
// then only hands out what was taken. Chunks held in tcache or fastbins count as free.
class HeapWalkScratchPool;

class GlibcHeapWalk : public HeapWalk {
public:
    // Working memory comes from the pool and goes back to it when the walk goes; without a pool
    // each walk has its own.
    explicit GlibcHeapWalk(std::shared_ptr<HeapWalkScratchPool> pool = nullptr);
    ~GlibcHeapWalk() override;
    GlibcHeapWalk(const GlibcHeapWalk&) = delete;
    GlibcHeapWalk& operator=(const GlibcHeapWalk&) = delete;

    bool Heap32First(HEAPENTRY32& block, uint32_t processId, uint64_t heapId) override;
    bool Heap32Next(HEAPENTRY32& block) override;
    size_t Heap32NextBlocks(std::span<HEAPENTRY32> blocks) override;

    // The same walk over memory whose map the caller already holds, without holding anything.
    bool Heap32First(HEAPENTRY32& block, const RemoteMemory& memory,
        const std::vector<MapRegion>& regions, uint64_t heapId);

    // Whether the last Heap32First held the process still while it read.
    bool WasHeld() const { return FHeld; }

private:
    void Start(uint32_t processId, uint64_t heapId);
    void Survey(uint32_t processId, uint64_t heapId);
    void Take(const RemoteMemory& memory, const std::vector<MapRegion>& regions, uint64_t heapId);
    bool Deliver(HEAPENTRY32& block);
    // The next chunks as blocks; there must be as many left.
    void DeliverNext(std::span<HEAPENTRY32> blocks);
    // After the last block: false, or the failure that cut the walk short.
    [[gnu::cold]] bool Finish();

    std::shared_ptr<HeapWalkScratchPool> FPool;
    // scratch.chunks and largeSizes: each chunk's size and whether it is in use;
    // scratch.cachedFree: one bit per 16 bytes of the heap from its first chunk, set for a
    // chunk held in tcache or a fastbin.
    std::unique_ptr<HeapWalkScratch> FScratch;
    uint32_t FProcessId = 0;
    uint64_t FHeapId = 0;
    uint64_t FFirstChunk = 0;
    // Where Deliver reads, taken once the survey is done.
    const uint32_t* FChunkData = nullptr;
    size_t FChunkCount = 0;
    const uint64_t* FLargeSizes = nullptr;
    const uint64_t* FCachedFreeBits = nullptr;
    size_t FNextChunk = 0;
    size_t FNextLarge = 0;
    uint64_t FNextAddress = 0;
    std::optional<std::string> FFailure; // raised once the chunks before it are handed out
    bool FHeld = false;
};

} // namespace quorvane
