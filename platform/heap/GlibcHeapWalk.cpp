#include "GlibcHeapWalk.h"

#include "CachedFreeChunks.h"
#include "ChunkLinks.h"
#include "ChunkStream.h"
#include "HeapWalkError.h"
#include "MallocArenas.h"
#include "MallocLayout.h"
#include "ProcFiles.h"
#include "ProcMaps.h"
#include "ProcessFreeze.h"
#include "RemoteMemory.h"

#include <fcntl.h>

namespace quorvane {

using namespace malloc_layout;

namespace {
    constexpr uint64_t InUseMark = 1;
}

void GlibcHeapWalk::Start(uint32_t processId, uint64_t heapId)
{
    FChunks.clear();
    FCachedFree.clear();
    FNextChunk = 0;
    FFailure.reset();
    FHeld = false;
    FProcessId = processId;
    FHeapId = heapId;
}

bool GlibcHeapWalk::Heap32First(HEAPENTRY32& block, uint32_t processId, uint64_t heapId)
{
    Start(processId, heapId);
    Survey(processId, heapId);
    if (FChunks.empty() && !FFailure)
        return false;
    return Deliver(block);
}

bool GlibcHeapWalk::Heap32First(HEAPENTRY32& block, const RemoteMemory& memory,
    const std::vector<MapRegion>& regions, uint64_t heapId)
{
    Start(uint32_t(memory.ProcessId()), heapId);
    Take(memory, regions, heapId);
    if (FChunks.empty() && !FFailure)
        return false;
    return Deliver(block);
}

bool GlibcHeapWalk::Heap32Next(HEAPENTRY32& block)
{
    return Deliver(block);
}

// Everything is read while the process is held; the tcache lists of every thread may hold
// chunks of any heap, so every heap is walked for them.
void GlibcHeapWalk::Survey(uint32_t processId, uint64_t heapId)
{
    ProcessFreeze freeze { pid_t(processId) };
    FHeld = freeze.Held();
    const std::string path = "/proc/" + std::to_string(processId) + "/maps";
    const std::optional<std::string> maps = ReadProcFile(AT_FDCWD, path.c_str());
    if (!maps)
        return;
    Take(RemoteMemory { pid_t(processId) }, ParseMaps(*maps), heapId);
}

void GlibcHeapWalk::Take(
    const RemoteMemory& memory, const std::vector<MapRegion>& regions, uint64_t heapId)
{
    const MallocArenas arenas = MallocArenas::Find(memory, regions);
    const MallocHeap* chosen = arenas.HeapAt(heapId);
    if (!chosen)
        return;
    FFirstChunk = chosen->firstChunk;
    FChunks.reserve((chosen->end - chosen->firstChunk) / 256);

    std::vector<uint64_t> tcacheCandidates;
    ChunkLinks links;
    for (const MallocHeap& heap : arenas.Heaps()) {
        const MallocArena* arena = arenas.ArenaAt(heap.arena);
        const bool isChosen = &heap == chosen;
        try {
            ChunkStream chunks(memory, heap.firstChunk, heap.end, arena ? arena->top : 0);
            while (const std::optional<HeapChunk> chunk = chunks.Next()) {
                if (isChosen)
                    FChunks.push_back(chunk->size | (chunk->inUse ? InUseMark : 0));
                if (!chunk->inUse)
                    continue;
                if (chunk->size == TcacheChunkSize)
                    tcacheCandidates.push_back(chunk->address);
                // Only a link that could be a fastbin's is worth keeping.
                const uint64_t next = Reveal(chunk->address + HeaderSize, chunk->firstWord);
                if (chunk->size <= MaxFastbinChunkSize
                    && (next == 0 || (next % ChunkAlignment == 0 && arenas.HeapHolding(next))))
                    links.Add(chunk->address, chunk->size, next);
            }
        } catch (const HeapWalkError& error) {
            if (isChosen)
                FFailure = error.what();
        }
    }
    const uint64_t granules = (chosen->end - FFirstChunk) / ChunkAlignment;
    FCachedFree.assign((granules + 63) / 64, 0);
    links.Seal();
    for (const uint64_t chunk : FindCachedFreeChunks(memory, arenas, tcacheCandidates, links)) {
        if (chunk >= FFirstChunk && chunk < chosen->end) {
            const uint64_t granule = (chunk - FFirstChunk) / ChunkAlignment;
            FCachedFree[granule / 64] |= uint64_t(1) << (granule % 64);
        }
    }
    FNextAddress = FFirstChunk;
}

bool GlibcHeapWalk::Deliver(HEAPENTRY32& block)
{
    if (FNextChunk >= FChunks.size()) {
        if (FFailure) {
            const std::string failure = *FFailure;
            FFailure.reset();
            throw HeapWalkError(failure);
        }
        return false;
    }
    const uint64_t address = FNextAddress;
    const uint64_t size = FChunks[FNextChunk] & ~InUseMark;
    const uint64_t granule = (address - FFirstChunk) / ChunkAlignment;
    const bool cachedFree = (FCachedFree[granule / 64] >> (granule % 64)) & 1;
    const bool inUse = (FChunks[FNextChunk] & InUseMark) != 0 && !cachedFree;
    ++FNextChunk;
    FNextAddress += size;

    block.hHandle = address;
    block.dwAddress = address + HeaderSize;
    block.dwBlockSize = size;
    block.dwFlags = inUse ? LF32_FIXED : LF32_FREE;
    block.dwLockCount = 0;
    block.th32ProcessID = FProcessId;
    block.th32HeapID = FHeapId;
    return true;
}

} // namespace quorvane
