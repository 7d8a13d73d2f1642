#pragma once

#include "HeapWalk.h"
#include "ProcMaps.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

class RemoteMemory;

// The heap walk over glibc malloc, read from outside with process_vm_readv. Heap32First holds
// the process still where ptrace allows (else reads it live), takes in every chunk of the heap
// and the free lists that classify them, and lets the process go again before it returns; Next
// then only hands out what was taken. Chunks held in tcache or fastbins count as free.
class GlibcHeapWalk : public HeapWalk {
public:
    bool Heap32First(HEAPENTRY32& block, uint32_t processId, uint64_t heapId) override;
    bool Heap32Next(HEAPENTRY32& block) override;

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

    uint32_t FProcessId = 0;
    uint64_t FHeapId = 0;
    // Each chunk's size with bit 0 set when it is in use (sizes are multiples of 16).
    std::vector<uint64_t> FChunks;
    uint64_t FFirstChunk = 0;
    size_t FNextChunk = 0;
    uint64_t FNextAddress = 0;
    // One bit per 16 bytes of the heap from its first chunk: a chunk held in tcache or a fastbin.
    std::vector<uint64_t> FCachedFree;
    std::optional<std::string> FFailure; // raised once the chunks before it are handed out
    bool FHeld = false;
};

} // namespace quorvane
