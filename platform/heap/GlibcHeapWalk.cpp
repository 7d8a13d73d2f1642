#include "platform/heap/GlibcHeapWalk.h"

#include "platform/heap/CachedFreeChunks.h"
#include "platform/heap/ChunkLinks.h"
#include "platform/heap/ChunkMarks.h"
#include "platform/heap/ChunkStream.h"
#include "platform/heap/HeapWalkError.h"
#include "platform/heap/HeapWalkScratchPool.h"
#include "platform/heap/MallocArenas.h"
#include "platform/heap/MallocLayout.h"
#include "platform/heap/ProcessFreeze.h"
#include "platform/heap/RemoteMemory.h"
#include "platform/proc/ProcFiles.h"
#include "platform/proc/ProcMaps.h"

#include <algorithm>
#include <fcntl.h>

namespace quorvane {

using namespace malloc_layout;

namespace {
    constexpr uint32_t InUseMark = 1;
    // A record's size / 16 from this on says the size is kept beside the records (a damaged top
    // chunk may well be of size 0, so 0 cannot say it).
    constexpr uint32_t LargeChunkUnits = (uint32_t(1) << 31) - 1;
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

// Works in locals: the stores into blocks could otherwise alias the members.
void GlibcHeapWalk::DeliverNext(std::span<HEAPENTRY32> blocks)
{
    const uint32_t* chunks = FChunkData + FNextChunk;
    const uint64_t* largeSizes = FLargeSizes + FNextLarge;
    const uint64_t* cachedFreeBits = FCachedFreeBits;
    const uint64_t firstChunk = FFirstChunk;
    const uint32_t processId = FProcessId;
    const uint64_t heapId = FHeapId;
    uint64_t address = FNextAddress;
    for (HEAPENTRY32& block : blocks) {
        const uint32_t chunk = *chunks++;
        const uint64_t size = (chunk >> 1) == LargeChunkUnits
            ? *largeSizes++
            : uint64_t(chunk >> 1) * ChunkAlignment;
        const uint64_t granule = (address - firstChunk) / ChunkAlignment;
        const bool cachedFree = (cachedFreeBits[granule / 64] >> (granule % 64)) & 1;
        const bool inUse = (chunk & InUseMark) != 0 && !cachedFree;
        block.hHandle = address;
        block.dwAddress = address + HeaderSize;
        block.dwBlockSize = size;
        block.dwFlags = inUse ? LF32_FIXED : LF32_FREE;
        block.dwLockCount = 0;
        block.th32ProcessID = processId;
        block.th32HeapID = heapId;
        address += size;
    }
    FNextChunk = size_t(chunks - FChunkData);
    FNextLarge = size_t(largeSizes - FLargeSizes);
    FNextAddress = address;
}

bool GlibcHeapWalk::Deliver(HEAPENTRY32& block)
{
    if (FNextChunk >= FChunkCount)
        return Finish();
    DeliverNext({ &block, 1 });
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
    FLargeSizes = nullptr;
    FNextLarge = 0;
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

size_t GlibcHeapWalk::Heap32NextBlocks(std::span<HEAPENTRY32> blocks)
{
    const size_t count = std::min(blocks.size(), FChunkCount - FNextChunk);
    if (count == 0)
        return blocks.empty() ? 0 : size_t(Finish());
    DeliverNext(blocks.first(count));
    return count;
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
    std::vector<uint32_t>& chosenChunks = FScratch->chunks;
    std::vector<uint64_t>& largeSizes = FScratch->largeSizes;
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
    // With one heap the span is exactly it.
    const bool oneHeap = arenas.Heaps().size() == 1;
    // Links serve to follow the fastbins of the chosen heap's arena, which hold its chunks only:
    // none are kept where those are empty.
    const MallocArena* chosenArena = arenas.ArenaAt(chosen->arena);
    const bool fastbinsHold = chosenArena
        && std::any_of(chosenArena->fastbins.begin(), chosenArena->fastbins.end(),
            [](uint64_t head) { return head != 0; });
    const MallocLayout& layout = *arenas.Layout();
    // Kept in locals: the stores of the loop below could otherwise alias them.
    const uint64_t tcacheFrom = layout.tcacheChunkSize;
    const uint64_t tcacheSpan = layout.tcacheChunkSizeMax - tcacheFrom;
    for (const MallocHeap& heap : arenas.Heaps()) {
        const MallocArena* arena = arenas.ArenaAt(heap.arena);
        const bool isChosen = &heap == chosen;
        const uint64_t maxFastbinChunk
            = fastbinsHold && heap.arena == chosen->arena ? layout.MaxFastbinChunkSize() : 0;
        try {
            ChunkStream chunks(
                memory, FScratch->streamBuffer, heap.firstChunk, heap.end, arena ? arena->top : 0);
            // The bounds by value: held by reference, every store of the loop could change them.
            chunks.ForEach([&chosenChunks, &largeSizes, &tcacheCandidates, &links, &arenas,
                               isChosen, tcacheFrom, tcacheSpan, maxFastbinChunk, heapsFrom,
                               heapsTo, oneHeap](const HeapChunk& chunk) {
                if (isChosen) {
                    const bool large = chunk.size / ChunkAlignment >= LargeChunkUnits;
                    chosenChunks.push_back(
                        (large ? LargeChunkUnits : uint32_t(chunk.size / ChunkAlignment)) << 1
                        | uint32_t(chunk.inUse));
                    if (large) [[unlikely]]
                        largeSizes.push_back(chunk.size);
                }
                if (!chunk.inUse)
                    return;
                if (chunk.size - tcacheFrom <= tcacheSpan)
                    tcacheCandidates.push_back(chunk.address);
                if (chunk.size > maxFastbinChunk)
                    return;
                // Only a link that could be a fastbin's is worth keeping.
                const uint64_t next = Reveal(chunk.address + HeaderSize, chunk.firstWord);
                if (next == 0
                    || (next % ChunkAlignment == 0 && next >= heapsFrom && next < heapsTo
                        && (oneHeap || arenas.HeapHolding(next))))
                    links.Add(chunk.address, chunk.size, next);
            });
        } catch (const HeapWalkError& error) {
            if (isChosen)
                FFailure = error.what();
        }
    }
    ChunkMarks& cachedFree = FScratch->cachedFree;
    cachedFree.Reset(FFirstChunk, chosen->end);
    links.Seal();
    FindCachedFreeChunks(memory, arenas, chosen->arena, tcacheCandidates, links, cachedFree);
    FNextAddress = FFirstChunk;
    FChunkData = chosenChunks.data();
    FChunkCount = chosenChunks.size();
    FLargeSizes = largeSizes.data();
    FCachedFreeBits = cachedFree.Bits();
}

} // namespace quorvane
