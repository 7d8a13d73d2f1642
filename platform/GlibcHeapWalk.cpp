#include "GlibcHeapWalk.h"

#include "CachedFreeChunks.h"
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

bool GlibcHeapWalk::Heap32First(HEAPENTRY32& block, uint32_t processId, uint64_t heapId)
{
    FChunks.clear();
    FCachedFree.clear();
    FNextChunk = 0;
    FNextCachedFree = 0;
    FFailure.reset();
    FHeld = false;
    FProcessId = processId;
    FHeapId = heapId;
    Survey(processId, heapId);
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
    const RemoteMemory memory { pid_t(processId) };
    const MallocArenas arenas = MallocArenas::Find(memory, ParseMaps(*maps));
    const MallocHeap* chosen = arenas.HeapAt(heapId);
    if (!chosen)
        return;
    FFirstChunk = chosen->firstChunk;

    std::vector<uint64_t> tcacheCandidates;
    for (const MallocHeap& heap : arenas.Heaps()) {
        const MallocArena* arena = arenas.ArenaAt(heap.arena);
        const bool isChosen = &heap == chosen;
        try {
            ChunkStream chunks(memory, heap.firstChunk, heap.end, arena ? arena->top : 0);
            while (const std::optional<HeapChunk> chunk = chunks.Next()) {
                if (isChosen)
                    FChunks.push_back(chunk->size | (chunk->inUse ? InUseMark : 0));
                if (chunk->inUse && chunk->size == TcacheChunkSize)
                    tcacheCandidates.push_back(chunk->address);
            }
        } catch (const HeapWalkError& error) {
            if (isChosen)
                FFailure = error.what();
        }
    }
    FCachedFree = FindCachedFreeChunks(memory, arenas, tcacheCandidates);
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
    bool inUse = (FChunks[FNextChunk] & InUseMark) != 0;
    while (FNextCachedFree < FCachedFree.size() && FCachedFree[FNextCachedFree] < address)
        ++FNextCachedFree;
    if (FNextCachedFree < FCachedFree.size() && FCachedFree[FNextCachedFree] == address)
        inUse = false;
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
