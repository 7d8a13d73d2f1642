#include "platform/heap/ChunkStream.h"

#include "platform/heap/HeapWalkError.h"
#include "platform/heap/MallocLayout.h"
#include "platform/heap/RemoteMemory.h"
#include "platform/posix/SecondCpu.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace quorvane {

using namespace malloc_layout;

ChunkStream::ChunkStream(
    const RemoteMemory& memory, uint64_t firstChunk, uint64_t end, uint64_t top)
    : ChunkStream(memory, FOwnBuffer, firstChunk, end, top)
{
}

ChunkStream::ChunkStream(const RemoteMemory& memory, std::vector<uint64_t>& buffer,
    uint64_t firstChunk, uint64_t end, uint64_t top)
    : FMemory(memory)
    , FNext(firstChunk)
    , FEnd(end)
    , FTop(top)
    , FTopHere(top >= firstChunk && top < end)
    , FOrdinaryLimit(FTopHere ? top : end)
{
    const bool large = end >= firstChunk && end - firstChunk >= ReadAheadFrom && SecondCpuAtHand();
    const size_t words = (large ? 2 : 1) * BufferBytes / 8;
    if (buffer.size() < words)
        buffer.resize(words);
    FWords = buffer.data();
    if (firstChunk % ChunkAlignment != 0 || end < firstChunk)
        Fail("misaligned heap start", firstChunk);
    if (!large)
        return;
    FSpare = buffer.data() + BufferBytes / 8;
    FReadAheadLimit = FTopHere ? top + HeaderSize : end;
    try {
        FReadAhead = std::make_unique<ReadAhead>(memory);
    } catch (const std::system_error&) {
        // No thread to be had: the heap is read as a small one is.
    }
}

void ChunkStream::Fail(const char* what, uint64_t address)
{
    FDone = true;
    FOrdinaryLimit = 0;
    char text[96];
    std::snprintf(text, sizeof text, "%s at %#llx", what, static_cast<unsigned long long>(address));
    throw HeapWalkError(text);
}

uint64_t ChunkStream::WordAt(uint64_t address, uint64_t span)
{
    if (address < FBufferStart || address + span > FBufferEnd) {
        if (!TakeReadAhead(address, span)) {
            const uint64_t from = address & ~uint64_t(7);
            const size_t want = size_t(std::min<uint64_t>(BufferBytes, FEnd - from));
            const size_t got = FMemory.Read(from, FWords, want);
            FBufferStart = from;
            FBufferEnd = from + got;
            if (address + span > FBufferEnd)
                Fail("unreadable chunk header", address);
        }
        StartReadAhead();
    }
    return FWords[(address - FBufferStart) / 8];
}

bool ChunkStream::TakeReadAhead(uint64_t address, uint64_t span)
{
    if (!FReadAheadPending)
        return false;
    FReadAheadPending = false;
    const uint64_t end = FReadAheadFrom + FReadAhead->Wait();
    // Else (a chunk larger than the buffer, or a page that cannot be read) it is read again
    // from address, as without a window read ahead.
    if (address < FReadAheadFrom || address + span > end)
        return false;
    std::swap(FWords, FSpare);
    FBufferStart = FReadAheadFrom;
    FBufferEnd = end;
    return true;
}

void ChunkStream::StartReadAhead()
{
    // After a short read the walk ends at the page it met, or reads from a chunk beyond it.
    if (!FReadAhead || FBufferEnd - FBufferStart < BufferBytes || FBufferEnd >= FReadAheadLimit)
        return;
    FReadAheadFrom = FBufferEnd - ReadAheadOverlap;
    FReadAhead->Start(
        FReadAheadFrom, FSpare, size_t(std::min<uint64_t>(BufferBytes, FEnd - FReadAheadFrom)));
    FReadAheadPending = true;
}

std::optional<HeapChunk> ChunkStream::NextChecked()
{
    if (FDone)
        return std::nullopt;
    const uint64_t address = FNext;
    if (address + HeaderSize > FEnd || (FTopHere && address > FTop))
        Fail("chunk past the heap", address);
    const uint64_t size = SizeWordAt(address) & ~SizeFlags;

    if (FTopHere && address == FTop) {
        if (size % ChunkAlignment != 0 || size > FEnd - address)
            Fail("impossible top chunk", address);
        FDone = true;
        FOrdinaryLimit = 0;
        return HeapChunk { address, size, false, true };
    }
    // A fencepost pair (16 bytes, then a header of size 0) closes a heap its arena has left.
    if (!FTopHere && size == FencepostSize && address + 2 * HeaderSize <= FEnd
        && (SizeWordAt(address + HeaderSize) & ~SizeFlags) == 0) {
        FDone = true;
        FOrdinaryLimit = 0;
        return std::nullopt;
    }
    // Where the old top was too small to free, the chunk before carries it and only the header
    // of size 0 is left, in the last 16 bytes of the heap.
    if (!FTopHere && size == 0 && address + HeaderSize == FEnd) {
        FDone = true;
        FOrdinaryLimit = 0;
        return std::nullopt;
    }
    if (size < MinChunkSize || size % ChunkAlignment != 0)
        Fail("impossible chunk size", address);
    if (size > FEnd - address - HeaderSize)
        Fail("chunk past the heap", address);
    const uint64_t next = address + size;
    const uint64_t firstWord = WordAt(address + HeaderSize, 8);
    const bool inUse = (SizeWordAt(next) & PrevInUse) != 0;
    FNext = next;
    return HeapChunk { address, size, inUse, false, firstWord };
}

} // namespace quorvane
