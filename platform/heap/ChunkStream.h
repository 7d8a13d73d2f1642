#pragma once

#include "platform/heap/MallocLayout.h"
#include "platform/heap/ReadAhead.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace quorvane {

class RemoteMemory;

// One chunk as its header and its successor's header tell it.
struct HeapChunk {
    uint64_t address = 0;
    uint64_t size = 0;
    bool inUse = false; // the next chunk's PREV_INUSE; tcache and fastbin chunks look in use too
    bool top = false;
    uint64_t firstWord = 0; // the first 8 bytes of its user memory: a free list's link
};

// The chunks of one heap in address order, streamed through a reused buffer in large reads.
// Every header is checked against the heap's bounds before it is believed, so any bytes at all
// give a finite walk that ends normally or with HeapWalkError. Through a large heap a second
// thread copies the next window while this one takes the chunks of the last.
class ChunkStream {
public:
    // firstChunk to end: the heap's chunks. top: the arena's top chunk, which ends the walk if
    // it lies in this heap; a heap that is not its arena's last ends with a fencepost instead.
    ChunkStream(const RemoteMemory& memory, uint64_t firstChunk, uint64_t end, uint64_t top);
    // The same through a buffer of the caller's, which keeps its pages from one walk to the next
    // (two windows of them for a heap read ahead).
    ChunkStream(const RemoteMemory& memory, std::vector<uint64_t>& buffer, uint64_t firstChunk,
        uint64_t end, uint64_t top);

    // The next chunk; nothing after the last. Throws HeapWalkError at an impossible header.
    std::optional<HeapChunk> Next()
    {
        // Most chunks are ordinary ones lying wholly in the buffer with their successor's header:
        // they need none of the checks for the heap's ends and no read.
        using namespace malloc_layout;
        const uint64_t address = FNext;
        if (address >= FBufferStart && address + 2 * HeaderSize <= FBufferEnd
            && address < FOrdinaryLimit) {
            const uint64_t* at = FWords + (address - FBufferStart) / 8;
            const uint64_t size = at[1] & ~SizeFlags;
            const uint64_t next = address + size;
            if (size >= MinChunkSize && size % ChunkAlignment == 0
                && size <= FEnd - address - HeaderSize && next + HeaderSize <= FBufferEnd) {
                FNext = next;
                const bool inUse = (at[size / 8 + 1] & PrevInUse) != 0;
                return HeapChunk { address, size, inUse, false, at[2] };
            }
        }
        return NextChecked();
    }

    // Hands every chunk left to visit(const HeapChunk&) in order, as Next would, and throws as
    // it does. The ordinary chunks go round a loop of locals, which the visitor's stores cannot
    // alias: the way to take a whole heap.
    template <typename Visit> void ForEach(Visit&& visit)
    {
        using namespace malloc_layout;
        for (;;) {
            const uint64_t* const words = FWords;
            const uint64_t bufferStart = FBufferStart;
            const uint64_t bufferEnd = FBufferEnd;
            const uint64_t ordinaryLimit = FOrdinaryLimit;
            const uint64_t end = FEnd;
            uint64_t address = FNext;
            while (address >= bufferStart && address + 2 * HeaderSize <= bufferEnd
                && address < ordinaryLimit) {
                const uint64_t* at = words + (address - bufferStart) / 8;
                // A window read ahead lies in the other core's cache: ask for it early.
                __builtin_prefetch(at + PrefetchWords);
                const uint64_t size = at[1] & ~SizeFlags;
                const uint64_t next = address + size;
                if (size < MinChunkSize || size % ChunkAlignment != 0
                    || size > end - address - HeaderSize || next + HeaderSize > bufferEnd)
                    break;
                const bool inUse = (at[size / 8 + 1] & PrevInUse) != 0;
                visit(HeapChunk { address, size, inUse, false, at[2] });
                address = next;
            }
            FNext = address;
            const std::optional<HeapChunk> chunk = NextChecked();
            if (!chunk)
                return;
            visit(*chunk);
        }
    }

private:
    std::optional<HeapChunk> NextChecked();
    // The word at address, with the bytes up to address + span read into the buffer as needed.
    uint64_t WordAt(uint64_t address, uint64_t span);
    uint64_t SizeWordAt(uint64_t address) { return WordAt(address + 8, 8); }
    // Whether the window read ahead holds the span at address; it is then the buffer.
    bool TakeReadAhead(uint64_t address, uint64_t span);
    // Has the window after the buffer read into the spare one, where the heap goes on.
    void StartReadAhead();
    [[noreturn]] void Fail(const char* what, uint64_t address);

    static constexpr size_t BufferBytes = 1 << 20;
    static constexpr size_t PrefetchWords = 1024 / 8;
    // From this span on a heap is read ahead: below it the thread costs more than it saves.
    static constexpr uint64_t ReadAheadFrom = 4 * BufferBytes;
    // A window read ahead begins this far before the buffer's end, so that the chunk which
    // crossed it (any below this size) lies wholly in the next one.
    static constexpr uint64_t ReadAheadOverlap = 4096;

    const RemoteMemory& FMemory;
    std::vector<uint64_t> FOwnBuffer;
    uint64_t* FWords;
    uint64_t FBufferStart = 0; // remote addresses held in the buffer
    uint64_t FBufferEnd = 0;
    uint64_t FNext;
    uint64_t FEnd;
    uint64_t FTop;
    bool FTopHere;
    // Below it a chunk is neither the top chunk nor past it, and the walk is not over.
    uint64_t FOrdinaryLimit;
    bool FDone = false;
    // The window being read ahead, into FSpare, while FReadAheadPending.
    uint64_t* FSpare = nullptr;
    uint64_t FReadAheadFrom = 0;
    // At or past it nothing more is read: the top chunk's header, or the heap's end.
    uint64_t FReadAheadLimit = 0;
    bool FReadAheadPending = false;
    std::unique_ptr<ReadAhead> FReadAhead; // last: joined before the buffers it fills go
};

} // namespace quorvane
