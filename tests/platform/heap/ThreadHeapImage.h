#pragma once
// A thread arena's first heap written by hand into our own memory and read back through
// RemoteMemory as another process's: heap_info at a 64 MiB boundary, the arena behind it, chunks
// from the version's first chunk on; beside it a read-only region named as the C library that
// holds the version's banner.
#include "platform/heap/GlibcVersion.h"
#include "platform/heap/MallocArenas.h"
#include "platform/heap/MallocLayout.h"
#include "platform/heap/RemoteMemory.h"
#include "platform/proc/ProcMaps.h"

#include <cstdio>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace quorvane::testing {

class ThreadHeapImage {
public:
    static constexpr uint64_t Bytes = 64 * 1024;

    // Laid out as glibc 2.minor does; a version the walk does not know takes 2.36's offsets.
    explicit ThreadHeapImage(int minor)
        : layout(MallocLayout::For({ 2, minor }) ? *MallocLayout::For({ 2, minor })
                                                 : *MallocLayout::For({ 2, 36 }))
    {
        using namespace malloc_layout;
        FMapping = ::mmap(nullptr, 3 * HeapAlignment, PROT_READ | PROT_WRITE,
            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        start = (uint64_t(FMapping) + HeapAlignment - 1) & ~(HeapAlignment - 1);
        arena = start + HeapInfoSize;
        firstChunk = start + layout.firstChunkInArenaHeap;
        const uint64_t info[] = { arena, 0, Bytes, Bytes }; // heap_info: arena, prev, sizes
        std::memcpy(reinterpret_cast<void*>(start), info, sizeof info);
        Put(arena + layout.arenaNext, arena); // the only arena: its ring closes at once
        std::snprintf(FBanner, sizeof FBanner, "GNU C Library (test) release version 2.%d.", minor);
        FLibc.start = uint64_t(FBanner);
        FLibc.end = FLibc.start + sizeof FBanner;
        FLibc.readable = true;
        FLibc.file = { 0x7e57, uint64_t(minor) };
        FLibc.path = "/test/libc.so.6";
    }
    ~ThreadHeapImage() { ::munmap(FMapping, 3 * malloc_layout::HeapAlignment); }
    ThreadHeapImage(const ThreadHeapImage&) = delete;
    ThreadHeapImage& operator=(const ThreadHeapImage&) = delete;

    void Put(uint64_t address, uint64_t value)
    {
        std::memcpy(reinterpret_cast<void*>(address), &value, sizeof value);
    }
    // Read through a map of the heap's own region (and a next heap's, when given) and the library.
    MallocArenas Arenas(uint64_t heapBytes = Bytes) const
    {
        MapRegion heap;
        heap.start = start;
        heap.end = start + heapBytes;
        heap.readable = heap.writable = true;
        return MallocArenas::Find(Memory(), { heap, FLibc });
    }
    static const RemoteMemory& Memory()
    {
        static const RemoteMemory self(::getpid());
        return self;
    }

    const MallocLayout& layout;
    uint64_t start = 0;
    uint64_t arena = 0;
    uint64_t firstChunk = 0;

private:
    void* FMapping = nullptr;
    char FBanner[64] = {};
    MapRegion FLibc;
};

} // namespace quorvane::testing
