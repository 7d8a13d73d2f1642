#pragma once
// Where glibc's malloc (64-bit) keeps its state, as seen from outside the process. What all
// versions share is constant; what changed between them is a MallocLayout, chosen by version.

#include <cstdint>

namespace quorvane {

struct GlibcVersion;

namespace malloc_layout {

    constexpr uint64_t ChunkAlignment = 16;
    constexpr uint64_t MinChunkSize = 32;
    constexpr uint64_t HeaderSize = 16; // prev_size, size
    constexpr uint64_t PrevInUse = 1;
    constexpr uint64_t SizeFlags = 7; // PREV_INUSE, IS_MMAPPED, NON_MAIN_ARENA
    constexpr uint64_t FencepostSize = 16; // ends a thread heap that is no longer its arena's last
    constexpr int MaxFastbinCount = 10; // chunk sizes 32, 48, ... 176

    // struct heap_info at the start of each thread-arena heap; the first heap of an arena holds
    // the arena right after it.
    constexpr uint64_t HeapInfoSize = 48;
    constexpr uint64_t HeapAlignment = 64ull << 20;
    constexpr uint64_t HeapMaxSize = 64ull << 20;

    // A tcache's small bins: one chunk size each, 32, 48, ... 1040.
    constexpr int TcacheSmallBins = 64;
    constexpr uint64_t MaxTcacheSmallChunk = 1040;

    constexpr uint64_t FastbinChunkSize(int index)
    {
        return MinChunkSize + uint64_t(index) * 16;
    }
    constexpr uint64_t TcacheChunkSizeOf(int index)
    {
        return MinChunkSize + uint64_t(index) * 16;
    }

    // Safe-linking: a list pointer is stored xor-ed with the address it is stored at, shifted.
    constexpr uint64_t Reveal(uint64_t storedAt, uint64_t stored)
    {
        return (storedAt >> 12) ^ stored;
    }

} // namespace malloc_layout

// What differs between the glibc versions the walk knows, each read from that version's
// malloc.c and arena.c.
struct MallocLayout {
    const char* name; // the versions it covers
    // struct malloc_state
    uint64_t arenaSize;
    int fastbinCount; // 0 where fastbins are gone
    uint64_t arenaFastbins;
    uint64_t arenaTop;
    uint64_t arenaBins;
    uint64_t arenaNext;
    uint64_t arenaSystemMem;
    // The first chunk of an arena's first heap, after heap_info and malloc_state.
    uint64_t firstChunkInArenaHeap;
    // struct tcache_perthread_struct: a uint16_t a bin, then the list heads (user addresses).
    int tcacheBins; // small bins, then large ones holding chunks of a range of sizes
    bool tcacheCountsFree; // the uint16_t counts cached chunks; else the free slots left
    uint64_t tcacheEntries; // offset of the list heads
    // Its chunk: malloc's own size for it, or (2.43) one padded twice over.
    uint64_t tcacheChunkSize;
    uint64_t tcacheChunkSizeMax;
    // mp_.tcache_max_bytes: a user size (before 2.42) or a chunk size plus one.
    bool tcacheMaxIsUserSize;

    uint64_t MaxFastbinChunkSize() const
    {
        return fastbinCount ? malloc_layout::FastbinChunkSize(fastbinCount - 1) : 0;
    }
    // Whether a chunk of this size may sit in tcache bin index.
    bool FitsTcacheBin(int index, uint64_t size) const;

    // Nothing for a version the walk does not know.
    static const MallocLayout* For(const GlibcVersion& version);
};

} // namespace quorvane
