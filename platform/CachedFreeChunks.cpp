#include "CachedFreeChunks.h"

#include "MallocArenas.h"
#include "MallocLayout.h"
#include "RemoteBlockCache.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

namespace quorvane {

using namespace malloc_layout;

namespace {
    class FreeListReader {
    public:
        FreeListReader(const RemoteMemory& memory, const MallocArenas& arenas)
            : FWords(memory)
            , FArenas(arenas)
        {
        }

        // The chunks of one thread's tcache, or nothing when it is not one.
        std::optional<std::vector<uint64_t>> Tcache(uint64_t chunk)
        {
            const uint64_t user = chunk + HeaderSize;
            uint16_t counts[TcacheBins];
            for (int i = 0; i < TcacheBins / 4; ++i) {
                const auto word = FWords.Word(user + uint64_t(i) * 8);
                if (!word)
                    return std::nullopt;
                for (int k = 0; k < 4; ++k)
                    counts[i * 4 + k] = uint16_t(*word >> (16 * k));
            }
            std::vector<uint64_t> chunks;
            std::optional<uint64_t> key = FKey;
            for (int bin = 0; bin < TcacheBins; ++bin) {
                const auto head = FWords.Word(user + TcacheEntries + uint64_t(bin) * 8);
                if (!head || !FollowTcacheList(*head, counts[bin], bin, key, chunks))
                    return std::nullopt;
            }
            FKey = key;
            return chunks;
        }

        // Appends the chunks of one fastbin while they check out.
        void Fastbin(const MallocArena& arena, int bin, std::vector<uint64_t>& chunks)
        {
            std::unordered_set<uint64_t> seen;
            for (uint64_t chunk = arena.fastbins[size_t(bin)]; chunk != 0;) {
                if (!IsChunk(chunk, FastbinChunkSize(bin), &arena) || !seen.insert(chunk).second)
                    return;
                chunks.push_back(chunk);
                const auto stored = FWords.Word(chunk + HeaderSize);
                if (!stored)
                    return;
                chunk = Reveal(chunk + HeaderSize, *stored);
            }
        }

    private:
        bool FollowTcacheList(uint64_t entry, uint16_t count, int bin, std::optional<uint64_t>& key,
            std::vector<uint64_t>& chunks)
        {
            for (uint16_t i = 0; i < count; ++i) {
                if (entry < HeaderSize
                    || !IsChunk(entry - HeaderSize, TcacheChunkSizeOf(bin), nullptr))
                    return false;
                const auto next = FWords.Word(entry);
                const auto entryKey = FWords.Word(entry + 8);
                if (!next || !entryKey || (key && *entryKey != *key))
                    return false;
                key = *entryKey;
                chunks.push_back(entry - HeaderSize);
                entry = Reveal(entry, *next);
            }
            return entry == 0;
        }

        // A chunk of the given size inside a heap (of the given arena, when one is named).
        bool IsChunk(uint64_t chunk, uint64_t size, const MallocArena* arena)
        {
            if (chunk % ChunkAlignment != 0)
                return false;
            const MallocHeap* heap
                = arena ? FArenas.HeapHolding(arena->address, chunk) : FArenas.HeapHolding(chunk);
            if (!heap || chunk + size > heap->end)
                return false;
            const auto sizeWord = FWords.Word(chunk + 8);
            return sizeWord && (*sizeWord & ~SizeFlags) == size;
        }

        RemoteBlockCache FWords;
        const MallocArenas& FArenas;
        std::optional<uint64_t> FKey; // tcache_key: the same in every entry of the process
    };
}

std::vector<uint64_t> FindCachedFreeChunks(const RemoteMemory& memory, const MallocArenas& arenas,
    const std::vector<uint64_t>& tcacheCandidates)
{
    FreeListReader reader(memory, arenas);
    std::vector<uint64_t> chunks;
    for (const uint64_t candidate : tcacheCandidates) {
        if (const auto cached = reader.Tcache(candidate))
            chunks.insert(chunks.end(), cached->begin(), cached->end());
    }
    for (const MallocArena& arena : arenas.Arenas()) {
        for (int bin = 0; bin < FastbinCount; ++bin)
            reader.Fastbin(arena, bin, chunks);
    }
    std::sort(chunks.begin(), chunks.end());
    chunks.erase(std::unique(chunks.begin(), chunks.end()), chunks.end());
    return chunks;
}

} // namespace quorvane
