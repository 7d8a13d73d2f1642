#include "platform/heap/MallocArenas.h"

#include "platform/heap/GlibcVersion.h"
#include "platform/heap/MallocLayout.h"
#include "platform/heap/RemoteMemory.h"
#include "platform/text/FileName.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace quorvane {

using namespace malloc_layout;

namespace {
    // How far the break may have moved on between reading the map and reading the arena.
    constexpr uint64_t BreakGrowthLimit = 1ull << 30;

    // Where the main heap ends when top is its top chunk: at the mapped end of the break area, or
    // further when the process grew its heap since its map was read (one that is allocating, or
    // this program looking at itself) and the top chunk runs on into memory that is there now.
    // Zero when top cannot be the top chunk.
    uint64_t MainHeapEnd(const RemoteMemory& memory, uint64_t top, uint64_t mappedEnd)
    {
        const auto topSize = memory.Load<uint64_t>(top + 8);
        if (!topSize)
            return 0;
        const uint64_t topEnd = top + (*topSize & ~SizeFlags);
        if (topEnd <= mappedEnd)
            return topEnd + 4096 > mappedEnd ? mappedEnd : 0;
        const bool grown = topEnd - mappedEnd <= BreakGrowthLimit && topEnd % 4096 == 0
            && memory.Load<uint64_t>(topEnd - 8).has_value();
        return grown ? topEnd : 0;
    }

    struct HeapInfo {
        uint64_t arena;
        uint64_t prev;
        uint64_t size;
        uint64_t mprotectSize;
        uint64_t pageSize;
        uint64_t pad;
    };
    static_assert(sizeof(HeapInfo) == HeapInfoSize);

    struct HeapCandidate {
        uint64_t start;
        uint64_t regionEnd;
        HeapInfo info;
    };

    // The tcache's bin count follows from tcache_max_bytes as malloc derives it; at most 65535
    // chunks a bin.
    bool IsTcacheSetting(
        const MallocLayout& layout, uint64_t bins, uint64_t maxBytes, uint64_t count)
    {
        if (count > 0xFFFF)
            return false;
        if (layout.tcacheMaxIsUserSize) {
            if (maxBytes > MaxTcacheSmallChunk - 8)
                return false;
            const uint64_t chunk = std::max<uint64_t>((maxBytes + 8 + 15) & ~15ull, MinChunkSize);
            return bins == (chunk - MinChunkSize) / 16 + 1;
        }
        // A chunk size plus one; past the small bins, the large ones take the rest.
        const uint64_t chunk = maxBytes - 1;
        if (maxBytes == 0 || chunk < MinChunkSize || chunk % ChunkAlignment != 0)
            return false;
        if (chunk <= MaxTcacheSmallChunk)
            return bins == (chunk - MinChunkSize) / 16 + 1;
        return bins == uint64_t(TcacheSmallBins) && chunk < (4ull << 20);
    }

    uint64_t Word(const std::vector<uint64_t>& words, uint64_t offset)
    {
        return words[offset / 8];
    }

    // Where main_arena and mp_ live: the C library's writable data.
    std::vector<const MapRegion*> StateAreas(const std::vector<MapRegion>& regions)
    {
        std::vector<const MapRegion*> areas;
        for (const MapRegion& region : regions) {
            if (region.writable && !region.shared && IsLibcRegion(region))
                areas.push_back(&region);
        }
        return areas;
    }
}

const MallocHeap* MallocArenas::HeapAt(uint64_t start) const
{
    const auto found = std::find_if(
        FHeaps.begin(), FHeaps.end(), [&](const MallocHeap& heap) { return heap.start == start; });
    return found == FHeaps.end() ? nullptr : &*found;
}

const MallocArena* MallocArenas::ArenaAt(uint64_t address) const
{
    const auto found = std::find_if(FArenas.begin(), FArenas.end(),
        [&](const MallocArena& arena) { return arena.address == address; });
    return found == FArenas.end() ? nullptr : &*found;
}

const MallocHeap* MallocArenas::HeapHolding(uint64_t arena, uint64_t address) const
{
    const MallocHeap* heap = HeapHolding(address);
    return heap && heap->arena == arena ? heap : nullptr;
}

const MallocHeap* MallocArenas::HeapHolding(uint64_t address) const
{
    for (const MallocHeap& heap : FHeaps) {
        if (address >= heap.firstChunk && address < heap.end)
            return &heap;
    }
    return nullptr;
}

MallocArenas MallocArenas::Find(const RemoteMemory& memory, const std::vector<MapRegion>& regions)
{
    MallocArenas found;
    const std::optional<GlibcVersion> version = GlibcVersion::Read(memory, regions);
    found.FLayout = version ? MallocLayout::For(*version) : nullptr;
    if (!found.FLayout)
        return found;
    found.FindThreadHeaps(memory, regions);
    found.FindMainArena(memory, regions);
    std::sort(
        found.FHeaps.begin(), found.FHeaps.end(), [](const MallocHeap& a, const MallocHeap& b) {
            return a.main != b.main ? a.main : a.start < b.start;
        });
    return found;
}

bool MallocArenas::ReadArena(const RemoteMemory& memory, uint64_t address, bool main)
{
    const MallocLayout& layout = *FLayout;
    std::vector<uint64_t> state(layout.arenaSize / 8);
    if (!memory.ReadExact(address, state.data(), layout.arenaSize))
        return false;
    MallocArena arena;
    arena.address = address;
    arena.main = main;
    arena.top = Word(state, layout.arenaTop);
    for (int i = 0; i < layout.fastbinCount; ++i)
        arena.fastbins[size_t(i)] = Word(state, layout.arenaFastbins + uint64_t(i) * 8);
    FArenas.push_back(arena);
    return true;
}

// Thread arenas live in heaps mapped at 64 MiB boundaries; neighbouring anonymous mappings merge
// with them, so every boundary inside a writable anonymous region is a candidate.
void MallocArenas::FindThreadHeaps(
    const RemoteMemory& memory, const std::vector<MapRegion>& regions)
{
    std::vector<HeapCandidate> candidates;
    for (const MapRegion& region : regions) {
        if (!region.readable || !region.writable || region.shared || !region.IsAnonymous())
            continue;
        for (uint64_t at = (region.start + HeapAlignment - 1) & ~(HeapAlignment - 1);
             at < region.end && at >= region.start; at += HeapAlignment)
            candidates.push_back({ at, region.end, {} });
    }
    std::vector<RemoteMemory::Piece> pieces;
    for (HeapCandidate& candidate : candidates)
        pieces.push_back({ candidate.start, &candidate.info, sizeof candidate.info, false });
    memory.ReadPieces(pieces);

    const uint64_t firstChunk = FLayout->firstChunkInArenaHeap;
    auto plausible = [&](const HeapCandidate& c, size_t index) {
        const HeapInfo& h = c.info;
        return pieces[index].read && h.size >= firstChunk + MinChunkSize && h.size <= HeapMaxSize
            && h.size % 4096 == 0 && c.start + h.size <= c.regionEnd && h.mprotectSize >= h.size
            && h.mprotectSize <= HeapMaxSize;
    };
    // First heaps carry their arena right behind the heap_info.
    std::unordered_set<uint64_t> arenas;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const HeapCandidate& c = candidates[i];
        if (plausible(c, i) && c.info.arena == c.start + HeapInfoSize && c.info.prev == 0
            && ReadArena(memory, c.info.arena, false)) {
            FHeaps.push_back(
                { c.start, c.start + firstChunk, c.start + c.info.size, c.info.arena, false });
            arenas.insert(c.info.arena);
        }
    }
    // Later heaps of an arena point back to the one before, down to its first.
    std::unordered_set<uint64_t> accepted;
    for (const MallocHeap& heap : FHeaps)
        accepted.insert(heap.start);
    for (bool more = true; more;) {
        more = false;
        for (size_t i = 0; i < candidates.size(); ++i) {
            const HeapCandidate& c = candidates[i];
            if (accepted.count(c.start) || !plausible(c, i) || !arenas.count(c.info.arena)
                || !accepted.count(c.info.prev))
                continue;
            const MallocHeap* previous = HeapAt(c.info.prev);
            if (!previous || previous->arena != c.info.arena)
                continue;
            FHeaps.push_back(
                { c.start, c.start + HeapInfoSize, c.start + c.info.size, c.info.arena, false });
            accepted.insert(c.start);
            more = true;
        }
    }
}

// main_arena is found in the C library's data by what only it satisfies: its next ring closes
// through the thread arenas, its top chunk ends where [heap] ends, and its unsorted bin is empty
// or points into the heap. mp_.sbrk_base, the first chunk, is recognised by the tcache
// parameters that follow it.
void MallocArenas::FindMainArena(const RemoteMemory& memory, const std::vector<MapRegion>& regions)
{
    // The kernel may show the break area as several [heap] regions (a forked child keeps what
    // it inherited apart from what it grew since); they are one heap.
    uint64_t heapStart = 0;
    uint64_t heapEnd = 0;
    for (const MapRegion& region : regions) {
        if (region.path != "[heap]")
            continue;
        if (heapEnd == 0)
            heapStart = region.start;
        else if (region.start != heapEnd)
            break;
        heapEnd = region.end;
    }
    if (heapEnd == 0)
        return;
    auto inHeap = [&](uint64_t address) { return address >= heapStart && address < heapEnd; };

    const MallocLayout& layout = *FLayout;
    std::unordered_set<uint64_t> threadArenas;
    std::unordered_map<uint64_t, uint64_t> nextOf;
    for (const MallocArena& arena : FArenas) {
        threadArenas.insert(arena.address);
        if (const auto next = memory.Load<uint64_t>(arena.address + layout.arenaNext))
            nextOf[arena.address] = *next;
    }
    auto ringCloses = [&](uint64_t candidate, uint64_t next) {
        for (size_t step = 0; step <= threadArenas.size(); ++step) {
            if (next == candidate)
                return true;
            const auto after = nextOf.find(next);
            if (after == nextOf.end())
                return false;
            next = after->second;
        }
        return false;
    };

    uint64_t mainArena = 0;
    uint64_t mainEnd = 0;
    uint64_t sbrkBase = 0;
    for (const MapRegion* area : StateAreas(regions)) {
        const uint64_t size = std::min<uint64_t>(area->end - area->start, 16ull << 20);
        std::vector<uint64_t> words(size / 8);
        const size_t got = memory.Read(area->start, words.data(), words.size() * 8);
        words.resize(got / 8);
        for (size_t i = 0; !mainArena && i + layout.arenaSize / 8 <= words.size(); ++i) {
            const uint64_t candidate = area->start + i * 8;
            const uint64_t next = words[i + layout.arenaNext / 8];
            if (next != candidate && !threadArenas.count(next))
                continue;
            const uint64_t top = words[i + layout.arenaTop / 8];
            const uint64_t unsorted = words[i + layout.arenaBins / 8];
            const uint64_t systemMem = words[i + layout.arenaSystemMem / 8];
            // An empty bin points at itself as a chunk: its list pointers are bins[0] and [1].
            if (top < heapStart || top >= heapEnd + BreakGrowthLimit || top % ChunkAlignment != 0
                || !(unsorted == candidate + layout.arenaBins - HeaderSize || inHeap(unsorted))
                || systemMem == 0 || !ringCloses(candidate, next))
                continue;
            const uint64_t end = MainHeapEnd(memory, top, heapEnd);
            if (end && systemMem <= end - heapStart) {
                mainArena = candidate;
                mainEnd = end;
            }
        }
        // sbrk_base, then tcache_bins, tcache_max_bytes and tcache_count.
        for (size_t i = 0; !sbrkBase && i + 4 <= words.size(); ++i) {
            if (inHeap(words[i])
                && IsTcacheSetting(layout, words[i + 1], words[i + 2], words[i + 3])) {
                sbrkBase = words[i];
                FTcacheCount = words[i + 3];
            }
        }
    }
    if (!mainArena || !ReadArena(memory, mainArena, true))
        return;
    const uint64_t first
        = ((sbrkBase ? sbrkBase : heapStart) + ChunkAlignment - 1) & ~(ChunkAlignment - 1);
    FHeaps.push_back({ heapStart, first, mainEnd, mainArena, true });
}

} // namespace quorvane
