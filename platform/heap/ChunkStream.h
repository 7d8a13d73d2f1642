#pragma once

#include <cstdint>
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
// give a finite walk that ends normally or with HeapWalkError.
class ChunkStream {
public:
    // firstChunk to end: the heap's chunks. top: the arena's top chunk, which ends the walk if
    // it lies in this heap; a heap that is not its arena's last ends with a fencepost instead.
    ChunkStream(const RemoteMemory& memory, uint64_t firstChunk, uint64_t end, uint64_t top);

    // The next chunk; nothing after the last. Throws HeapWalkError at an impossible header.
    std::optional<HeapChunk> Next();

private:
    // The word at address, with the bytes up to address + span read into the buffer as needed.
    uint64_t WordAt(uint64_t address, uint64_t span);
    uint64_t SizeWordAt(uint64_t address) { return WordAt(address + 8, 8); }
    [[noreturn]] void Fail(const char* what, uint64_t address);

    static constexpr size_t BufferBytes = 256 << 10;

    const RemoteMemory& FMemory;
    std::vector<uint64_t> FBuffer;
    uint64_t FBufferStart = 0; // remote addresses held in FBuffer
    uint64_t FBufferEnd = 0;
    uint64_t FNext;
    uint64_t FEnd;
    uint64_t FTop;
    bool FTopHere;
    bool FDone = false;
};

} // namespace quorvane
