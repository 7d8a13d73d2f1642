#pragma once
// Where glibc's malloc (2.36, 64-bit) keeps its state, as seen from outside the process.

#include <cstdint>

namespace quorvane::malloc_layout {

constexpr uint64_t ChunkAlignment = 16;
constexpr uint64_t MinChunkSize = 32;
constexpr uint64_t HeaderSize = 16; // prev_size, size
constexpr uint64_t PrevInUse = 1;
constexpr uint64_t SizeFlags = 7; // PREV_INUSE, IS_MMAPPED, NON_MAIN_ARENA
constexpr uint64_t FencepostSize = 16; // ends a thread heap that is no longer its arena's last

// struct malloc_state
constexpr uint64_t ArenaSize = 2200;
constexpr uint64_t ArenaFastbins = 16;
constexpr int FastbinCount = 10; // chunk sizes 32, 48, ... 176
constexpr uint64_t MaxFastbinChunkSize = 176;
constexpr uint64_t ArenaTop = 96;
constexpr uint64_t ArenaBins = 112;
constexpr uint64_t ArenaNext = 2160;
constexpr uint64_t ArenaSystemMem = 2184;

// struct heap_info at the start of each thread-arena heap; the first heap of an arena holds the
// arena right after it.
constexpr uint64_t HeapInfoSize = 48;
constexpr uint64_t HeapAlignment = 64ull << 20;
constexpr uint64_t HeapMaxSize = 64ull << 20;
constexpr uint64_t FirstChunkInArenaHeap = 0x8d0;

// struct tcache_perthread_struct: uint16_t counts[64], then tcache_entry* entries[64]; an
// entry's next pointer sits at the start of the free chunk's user memory, the key after it.
constexpr int TcacheBins = 64;
constexpr uint64_t TcacheStructSize = 0x280;
constexpr uint64_t TcacheChunkSize = 0x290;
constexpr uint64_t TcacheEntries = 128;

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

} // namespace quorvane::malloc_layout
