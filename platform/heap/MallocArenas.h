#pragma once

#include "platform/heap/MallocLayout.h"
#include "platform/proc/ProcMaps.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

class RemoteMemory;

// One region of memory that malloc carves into chunks.
struct MallocHeap {
    uint64_t start = 0; // the heap's identifier
    uint64_t firstChunk = 0;
    uint64_t end = 0; // no chunk reaches past this
    uint64_t arena = 0; // its malloc_state
    bool main = false; // the main arena's [heap]
};

// One arena as it was read: the state that the heap walk needs.
struct MallocArena {
    uint64_t address = 0;
    uint64_t top = 0;
    std::array<uint64_t, malloc_layout::MaxFastbinCount> fastbins {};
    bool main = false;
};

// The glibc malloc heaps of a process: the main arena's [heap] and every heap of the thread
// arenas, each checked against malloc's own records before it counts. The layout is chosen by the
// version of the glibc the process maps; a process without one, with a version the walk does not
// know, or one we may not read, has none.
class MallocArenas {
public:
    static MallocArenas Find(const RemoteMemory& memory, const std::vector<MapRegion>& regions);

    // The main heap first, then the others by address.
    const std::vector<MallocHeap>& Heaps() const { return FHeaps; }
    const std::vector<MallocArena>& Arenas() const { return FArenas; }
    // The layout the heaps were read with; null when there are none.
    const MallocLayout* Layout() const { return FLayout; }
    // mp_.tcache_count, the most chunks a tcache bin holds; nothing where mp_ was not found.
    std::optional<uint64_t> TcacheCount() const { return FTcacheCount; }
    const MallocHeap* HeapAt(uint64_t start) const;
    const MallocArena* ArenaAt(uint64_t address) const;
    // The heap holding a chunk of the given arena that starts at address, if any.
    const MallocHeap* HeapHolding(uint64_t arena, uint64_t address) const;
    // Any heap holding address.
    const MallocHeap* HeapHolding(uint64_t address) const;

private:
    void FindThreadHeaps(const RemoteMemory& memory, const std::vector<MapRegion>& regions);
    void FindMainArena(const RemoteMemory& memory, const std::vector<MapRegion>& regions);
    bool ReadArena(const RemoteMemory& memory, uint64_t address, bool main);

    const MallocLayout* FLayout = nullptr;
    std::optional<uint64_t> FTcacheCount;
    std::vector<MallocHeap> FHeaps;
    std::vector<MallocArena> FArenas;
};

} // namespace quorvane
