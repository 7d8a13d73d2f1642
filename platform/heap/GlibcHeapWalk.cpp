#include "GlibcHeapWalk.h"

#include "CachedFreeChunks.h"
#include "ChunkLinks.h"
#include "ChunkStream.h"
#include "HeapWalkError.h"
#include "HeapWalkScratchPool.h"
#include "MallocArenas.h"
#include "MallocLayout.h"
#include "ProcFiles.h"
#include "ProcMaps.h"
#include "ProcessFreeze.h"
#include "RemoteMemory.h"

#include <algorithm>
#include <fcntl.h>

namespace quorvane {

using namespace malloc_layout;

namespace {
    constexpr uint64_t InUseMark = 1;
}

bool GlibcHeapWalk::Finish()
{
    if (FFailure) {
        const std::string failure = *FFailure;
        FFailure.reset();
        throw HeapWalkError(failure);
    }
    return false;
}

[[gnu::always_inline]] inline bool GlibcHeapWalk::Deliver(HEAPENTRY32& block)
{
    if (FNextChunk >= FChunkCount)
        return Finish();
    const uint64_t address = FNextAddress;
    const uint64_t chunk = FChunkData[FNextChunk];
    const uint64_t size = chunk & ~InUseMark;
    const uint64_t granule = (address - FFirstChunk) / ChunkAlignment;
    const bool cachedFree = (FCachedFreeBits[granule / 64] >> (granule % 64)) & 1;
    const bool inUse = (chunk & InUseMark) != 0 && !cachedFree;
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

GlibcHeapWalk::GlibcHeapWalk(std::shared_ptr<HeapWalkScratchPool> pool)
    : FPool(std::move(pool))
    , FScratch(FPool ? FPool->Take() : std::make_unique<HeapWalkScratch>())
{
}

GlibcHeapWalk::~GlibcHeapWalk()
{
    if (FPool)
        FPool->Give(std::move(FScratch));
}

void GlibcHeapWalk::Start(uint32_t processId, uint64_t heapId)
{
    FScratch->Clear();
    FChunkData = nullptr;
    FChunkCount = 0;
    FCachedFreeBits = nullptr;
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
    if (FScratch->chunks.empty() && !FFailure)
        return false;
    return Deliver(block);
}

bool GlibcHeapWalk::Heap32First(HEAPENTRY32& block, const RemoteMemory& memory,
    const std::vector<MapRegion>& regions, uint64_t heapId)
{
    Start(uint32_t(memory.ProcessId()), heapId);
    Take(memory, regions, heapId);
    if (FScratch->chunks.empty() && !FFailure)
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
    std::vector<uint64_t>& chosenChunks = FScratch->chunks;
    chosenChunks.reserve((chosen->end - chosen->firstChunk) / 256);

    std::vector<uint64_t>& tcacheCandidates = FScratch->tcacheCandidates;
    ChunkLinks& links = FScratch->links;
    // Any heap's chunks lie in this span: a cheap first test for a link into some heap.
    uint64_t heapsFrom = UINT64_MAX;
    uint64_t heapsTo = 0;
    for (const MallocHeap& heap : arenas.Heaps()) {
        heapsFrom = std::min(heapsFrom, heap.firstChunk);
        heapsTo = std::max(heapsTo, heap.end);
    }
    // Links serve to follow the fastbins of the chosen heap's arena, which hold its chunks only:
    // none are kept where those are empty.
    const MallocArena* chosenArena = arenas.ArenaAt(chosen->arena);
    const bool fastbinsHold = chosenArena
        && std::any_of(chosenArena->fastbins.begin(), chosenArena->fastbins.end(),
            [](uint64_t head) { return head != 0; });
    const MallocLayout& layout = *arenas.Layout();
    // Kept in locals: the stores of the loop below could otherwise alias them.
    const uint64_t tcacheFrom = layout.tcacheChunkSize;
    const uint64_t tcacheTo = layout.tcacheChunkSizeMax;
    for (const MallocHeap& heap : arenas.Heaps()) {
        const MallocArena* arena = arenas.ArenaAt(heap.arena);
        const bool isChosen = &heap == chosen;
        const uint64_t maxFastbinChunk
            = fastbinsHold && heap.arena == chosen->arena ? layout.MaxFastbinChunkSize() : 0;
        try {
            ChunkStream chunks(
                memory, FScratch->streamBuffer, heap.firstChunk, heap.end, arena ? arena->top : 0);
            while (const std::optional<HeapChunk> chunk = chunks.Next()) {
                if (isChosen)
                    chosenChunks.push_back(chunk->size | (chunk->inUse ? InUseMark : 0));
                if (!chunk->inUse)
                    continue;
                if (chunk->size >= tcacheFrom && chunk->size <= tcacheTo)
                    tcacheCandidates.push_back(chunk->address);
                if (chunk->size > maxFastbinChunk)
                    continue;
                // Only a link that could be a fastbin's is worth keeping.
                const uint64_t next = Reveal(chunk->address + HeaderSize, chunk->firstWord);
                if (next == 0
                    || (next % ChunkAlignment == 0 && next >= heapsFrom && next < heapsTo
                        && arenas.HeapHolding(next)))
                    links.Add(chunk->address, chunk->size, next);
            }
        } catch (const HeapWalkError& error) {
            if (isChosen)
                FFailure = error.what();
        }
    }
    const uint64_t granules = (chosen->end - FFirstChunk) / ChunkAlignment;
    std::vector<uint64_t>& cachedFree = FScratch->cachedFree;
    cachedFree.assign((granules + 63) / 64, 0);
    links.Seal();
    FindCachedFreeChunks(
        memory, arenas, chosen->arena, tcacheCandidates, links, FScratch->cachedChunks);
    for (const uint64_t chunk : FScratch->cachedChunks) {
        if (chunk >= FFirstChunk && chunk < chosen->end) {
            const uint64_t granule = (chunk - FFirstChunk) / ChunkAlignment;
            cachedFree[granule / 64] |= uint64_t(1) << (granule % 64);
        }
    }
    FNextAddress = FFirstChunk;
    FChunkData = chosenChunks.data();
    FChunkCount = chosenChunks.size();
    FCachedFreeBits = cachedFree.data();
}

} // namespace quorvane
