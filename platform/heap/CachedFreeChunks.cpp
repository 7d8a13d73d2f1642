#include "platform/heap/CachedFreeChunks.h"

#include "platform/heap/ChunkLinks.h"
#include "platform/heap/ChunkMarks.h"
#include "platform/heap/MallocArenas.h"
#include "platform/heap/MallocLayout.h"
#include "platform/heap/RemoteBlockCache.h"

#include <algorithm>
#include <array>
#include <optional>

namespace quorvane {

using namespace malloc_layout;

namespace {
    constexpr uint64_t MaxTcacheCount = 0xFFFF;

    // Brent's cycle finding: a list that comes back to an entry it has passed is caught within
    // twice its length, however long its bound.
    class LoopWatch {
    public:
        explicit LoopWatch(uint64_t head)
            : FSaved(head)
        {
        }
        // Whether the list, having stepped on to entry, has come round.
        bool Loops(uint64_t entry)
        {
            if (entry == FSaved)
                return true;
            if (++FSteps == FPower) {
                FSaved = entry;
                FPower *= 2;
                FSteps = 0;
            }
            return false;
        }

    private:
        uint64_t FSaved;
        uint64_t FSteps = 0;
        uint64_t FPower = 1;
    };

    class FreeListReader {
    public:
        FreeListReader(const RemoteMemory& memory, const MallocArenas& arenas, ChunkLinks& links)
            : FWords(memory)
            , FArenas(arenas)
            , FLinks(links)
        {
        }

        // The chunks of one thread's tcache, or nothing when it is not one.
        std::optional<std::vector<uint64_t>> Tcache(uint64_t chunk)
        {
            const MallocLayout& layout = *FArenas.Layout();
            const uint64_t user = chunk + HeaderSize;
            std::array<uint16_t, 128> counts {};
            for (int i = 0; i < (layout.tcacheBins + 3) / 4; ++i) {
                const auto word = FWords.Word(user + uint64_t(i) * 8);
                if (!word)
                    return std::nullopt;
                for (int k = 0; k < 4; ++k)
                    counts[size_t(i * 4 + k)] = uint16_t(*word >> (16 * k));
            }
            std::vector<uint64_t> chunks;
            std::optional<uint64_t> key = FKey;
            // Where the counts are the slots left, every bin's chunks and slots add up to the
            // same capacity, mp_.tcache_count.
            std::optional<uint64_t> capacity = FArenas.TcacheCount();
            for (int bin = 0; bin < layout.tcacheBins; ++bin) {
                const auto head = FWords.Word(user + layout.tcacheEntries + uint64_t(bin) * 8);
                const uint16_t count = counts[size_t(bin)];
                const size_t before = chunks.size();
                // A list holds its count, or what its free slots leave of the capacity.
                const uint64_t most
                    = layout.tcacheCountsFree ? count : capacity.value_or(MaxTcacheCount);
                if (!head || most < count
                    || !FollowTcacheList(
                        *head, layout.tcacheCountsFree ? most : most - count, bin, key, chunks))
                    return std::nullopt;
                const uint64_t found = chunks.size() - before;
                if (layout.tcacheCountsFree ? found != count
                                            : capacity && found + count != *capacity)
                    return std::nullopt;
                if (!layout.tcacheCountsFree)
                    capacity = found + count;
            }
            FKey = key;
            return chunks;
        }

        // Marks the chunks of every fastbin while they check out. A list that loops is cut off
        // after as many steps as the arena's heaps could hold chunks of its size. The lists are
        // followed a step of each in turn: each step waits on the one before, and steps of
        // different lists overlap.
        void Fastbins(const MallocArena& arena, int bins, ChunkMarks& marks)
        {
            std::vector<FastbinCursor> lists;
            for (int bin = 0; bin < bins; ++bin) {
                const uint64_t size = FastbinChunkSize(bin);
                const uint64_t head = arena.fastbins[size_t(bin)];
                uint64_t steps = 0;
                for (const MallocHeap& heap : FArenas.Heaps())
                    steps += heap.arena == arena.address ? (heap.end - heap.firstChunk) / size : 0;
                if (head != 0 && steps > 0)
                    lists.push_back({ head, size, steps, LoopWatch(head) });
            }
            while (!lists.empty()) {
                for (size_t i = 0; i < lists.size();) {
                    if (FastbinStep(arena, lists[i], marks)) {
                        ++i;
                    } else {
                        lists[i] = lists.back();
                        lists.pop_back();
                    }
                }
            }
        }

    private:
        struct FastbinCursor {
            uint64_t chunk;
            uint64_t size;
            uint64_t steps; // left before the list counts as looping
            LoopWatch watch;
        };

        // Marks the list's next chunk and moves on; false once the list is over.
        bool FastbinStep(const MallocArena& arena, FastbinCursor& list, ChunkMarks& marks)
        {
            const uint64_t chunk = list.chunk;
            uint64_t next = 0;
            if (const auto seen = FLinks.Find(chunk)) {
                if (seen->size != list.size || !InArena(chunk, list.size, arena))
                    return false;
                next = seen->next;
            } else {
                if (!IsChunk(chunk, list.size, &arena))
                    return false;
                const auto stored = FWords.Word(chunk + HeaderSize);
                if (!stored) {
                    marks.Mark(chunk);
                    return false;
                }
                next = Reveal(chunk + HeaderSize, *stored);
            }
            marks.Mark(chunk);
            list.chunk = next;
            return next != 0 && --list.steps > 0 && !list.watch.Loops(next);
        }

        // Follows a list of at most limit entries to its end; false when it is longer or an
        // entry is not a chunk of the bin.
        bool FollowTcacheList(uint64_t entry, uint64_t limit, int bin, std::optional<uint64_t>& key,
            std::vector<uint64_t>& chunks)
        {
            LoopWatch watch(entry);
            for (uint64_t i = 0; entry != 0; ++i) {
                if (i == limit || entry < HeaderSize || !IsTcacheChunk(entry - HeaderSize, bin))
                    return false;
                const auto next = FWords.Word(entry);
                const auto entryKey = FWords.Word(entry + 8);
                if (!next || !entryKey || (key && *entryKey != *key))
                    return false;
                key = *entryKey;
                chunks.push_back(entry - HeaderSize);
                entry = Reveal(entry, *next);
                if (entry != 0 && watch.Loops(entry))
                    return false;
            }
            return true;
        }

        bool IsTcacheChunk(uint64_t chunk, int bin)
        {
            const MallocLayout& layout = *FArenas.Layout();
            if (bin < TcacheSmallBins)
                return IsChunk(chunk, TcacheChunkSizeOf(bin), nullptr);
            const auto sizeWord
                = chunk % ChunkAlignment == 0 ? FWords.Word(chunk + 8) : std::nullopt;
            if (!sizeWord)
                return false;
            const uint64_t size = *sizeWord & ~SizeFlags;
            return layout.FitsTcacheBin(bin, size) && InHeap(chunk, size, nullptr);
        }

        // A chunk of the given size inside a heap (of the given arena, when one is named).
        bool IsChunk(uint64_t chunk, uint64_t size, const MallocArena* arena)
        {
            if (!InHeap(chunk, size, arena))
                return false;
            const auto sizeWord = FWords.Word(chunk + 8);
            return sizeWord && (*sizeWord & ~SizeFlags) == size;
        }

        bool InArena(uint64_t chunk, uint64_t size, const MallocArena& arena)
        {
            return InHeap(chunk, size, &arena);
        }

        bool InHeap(uint64_t chunk, uint64_t size, const MallocArena* arena)
        {
            if (chunk % ChunkAlignment != 0)
                return false;
            // Free lists mostly stay within one heap: try the last one first.
            const MallocHeap* heap = FLastHeap && chunk >= FLastHeap->firstChunk
                    && chunk < FLastHeap->end && (!arena || FLastHeap->arena == arena->address)
                ? FLastHeap
                : arena ? FArenas.HeapHolding(arena->address, chunk)
                        : FArenas.HeapHolding(chunk);
            FLastHeap = heap;
            return heap && chunk + size <= heap->end;
        }

        RemoteBlockCache FWords;
        const MallocArenas& FArenas;
        ChunkLinks& FLinks;
        std::optional<uint64_t> FKey; // tcache_key: the same in every entry of the process
        const MallocHeap* FLastHeap = nullptr;
    };
}

void FindCachedFreeChunks(const RemoteMemory& memory, const MallocArenas& arenas, uint64_t arena,
    const std::vector<uint64_t>& tcacheCandidates, ChunkLinks& links, ChunkMarks& marks)
{
    FreeListReader reader(memory, arenas, links);
    for (const uint64_t candidate : tcacheCandidates) {
        if (const auto cached = reader.Tcache(candidate)) {
            for (const uint64_t chunk : *cached)
                marks.Mark(chunk);
        }
    }
    if (const MallocArena* fastbins = arenas.ArenaAt(arena))
        reader.Fastbins(*fastbins, arenas.Layout()->fastbinCount, marks);
}

} // namespace quorvane
