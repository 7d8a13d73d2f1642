// Any bytes as a thread arena's heap, walked from our own memory as another process's heap is:
// the chunk stream and the free lists that classify its chunks (tcache, fastbins) never fault or
// loop, and the blocks handed out tile the heap from its first chunk on. Whatever the free lists
// and the tcache hold, the blocks are the heap's chunks, the walk fails where they do, and only
// a chunk the next one marks in use is handed out as used.
//
// Input: one byte choosing the C library's version (2.36, 2.41, 2.42, 2.43, 2.44 or one the walk
// does not know), the arena's ten fastbin heads and its top pointer (88 bytes; where the version
// has no fastbins only the top counts), then the heap's bytes from its first chunk on. The heap
// sits at a fixed address when it can, so that seeds may hold real pointers. The version comes
// from a banner in a region named as the C library, as a process's own would.
#include "platform/heap/ChunkStream.h"
#include "platform/heap/GlibcHeapWalk.h"
#include "platform/heap/GlibcVersion.h"
#include "platform/heap/HeapWalkError.h"
#include "platform/heap/HeapWalkScratchPool.h"
#include "platform/heap/MallocLayout.h"
#include "platform/heap/RemoteMemory.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using namespace quorvane;
using namespace quorvane::malloc_layout;

namespace {
constexpr uint64_t PreferredHeap = 0x7e0000000000;
constexpr uint64_t MaxHeapBytes = 1 << 20;
constexpr size_t ArenaPart = 88;
constexpr int Minors[] = { 36, 41, 42, 43, 44, 99 };

// A 64 MiB-aligned region of our own, mapped once (virtual only: pages appear as written).
uint64_t HeapStart()
{
    static const uint64_t start = [] {
        void* fixed = mmap(reinterpret_cast<void*>(PreferredHeap), MaxHeapBytes,
            PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
        if (fixed != MAP_FAILED)
            return reinterpret_cast<uint64_t>(fixed);
        void* any = mmap(nullptr, 2 * HeapAlignment, PROT_READ | PROT_WRITE,
            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (any == MAP_FAILED)
            std::abort();
        return (reinterpret_cast<uint64_t>(any) + HeapAlignment - 1) & ~(HeapAlignment - 1);
    }();
    return start;
}

void Put(uint64_t address, uint64_t value)
{
    std::memcpy(reinterpret_cast<void*>(address), &value, sizeof value);
}

// A read-only region holding the banner of glibc 2.MINOR, named as the C library (one file each).
MapRegion Libc(int minor)
{
    static char banners[std::size(Minors)][96];
    const size_t index = size_t(std::find(std::begin(Minors), std::end(Minors), minor) - Minors);
    std::snprintf(banners[index], sizeof banners[index],
        "GNU C Library (fuzz) stable release version 2.%d.", minor);
    MapRegion region;
    region.start = reinterpret_cast<uint64_t>(banners[index]);
    region.end = region.start + sizeof banners[index];
    region.readable = true;
    region.file = { 1, uint64_t(minor) };
    region.path = "/fuzz/libc.so.6";
    return region;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 + ArenaPart)
        return 0;
    const int minor = Minors[data[0] % std::size(Minors)];
    ++data;
    --size;
    const MallocLayout* known = MallocLayout::For({ 2, minor });
    const MallocLayout& layout = known ? *known : *MallocLayout::For({ 2, 36 });
    const uint64_t firstChunk = layout.firstChunkInArenaHeap;
    if (size - ArenaPart > MaxHeapBytes - firstChunk)
        return 0;
    const uint64_t start = HeapStart();
    const uint64_t heapBytes
        = std::max<uint64_t>((firstChunk + (size - ArenaPart) + 4095) & ~uint64_t(4095), 4096);
    std::memset(reinterpret_cast<void*>(start), 0, heapBytes);
    // heap_info: the arena's first heap, with its malloc_state right behind.
    Put(start, start + HeapInfoSize);
    Put(start + 8, 0);
    Put(start + 16, heapBytes);
    Put(start + 24, heapBytes);
    const uint64_t arena = start + HeapInfoSize;
    uint64_t top = 0;
    std::memcpy(&top, data + ArenaPart - 8, 8);
    if (layout.fastbinCount)
        std::memcpy(reinterpret_cast<void*>(arena + layout.arenaFastbins), data, ArenaPart - 8);
    Put(arena + layout.arenaTop, top);
    Put(arena + layout.arenaNext, arena);
    std::memcpy(reinterpret_cast<void*>(start + firstChunk), data + ArenaPart, size - ArenaPart);

    MapRegion region;
    region.start = start;
    region.end = start + heapBytes;
    region.readable = region.writable = true;
    static const RemoteMemory self(::getpid());
    static std::vector<uint64_t> buffer; // one read buffer for every input, as the walk keeps one
    // The chunks alone, as the walk reads them with the arena's top.
    std::vector<HeapChunk> chunks;
    bool chunksFail = false;
    try {
        ChunkStream stream(self, buffer, start + firstChunk, region.end, top);
        while (const auto chunk = stream.Next())
            chunks.push_back(*chunk);
    } catch (const HeapWalkError&) {
        chunksFail = true;
    }
    // Working memory kept between inputs, as the program keeps it between walks.
    static const auto pool = std::make_shared<HeapWalkScratchPool>();
    GlibcHeapWalk walk(pool);
    HEAPENTRY32 block;
    size_t index = 0;
    bool walkFails = false;
    try {
        for (bool more = walk.Heap32First(block, self, { region, Libc(minor) }, start); more;
             more = walk.Heap32Next(block)) {
            // A version the walk does not know gives no block at all.
            if (!known)
                std::abort();
            if (index >= chunks.size() || block.hHandle != chunks[index].address
                || block.dwBlockSize != chunks[index].size
                || block.dwAddress != block.hHandle + HeaderSize
                || (block.dwFlags != LF32_FREE && block.dwFlags != LF32_FIXED)
                || (block.dwFlags == LF32_FIXED && !chunks[index].inUse))
                std::abort();
            ++index;
        }
    } catch (const HeapWalkError&) {
        walkFails = true;
    }
    if (known && (index != chunks.size() || walkFails != chunksFail))
        std::abort();
    if (!known && (index != 0 || walkFails))
        std::abort();
    return 0;
}
