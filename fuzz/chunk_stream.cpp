// Any bytes as a heap, read through process_vm_readv from our own memory: the stream ends, with
// a chunk list or a HeapWalkError, and never hands out a chunk outside the heap. Taking them all
// at once hands out the same chunks and fails alike.
#include "platform/heap/ChunkStream.h"
#include "platform/heap/HeapWalkError.h"
#include "platform/heap/RemoteMemory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first word picks the top chunk (or none); the rest is the heap.
    if (size < 8)
        return 0;
    uint64_t choice = 0;
    std::memcpy(&choice, data, 8);
    static const RemoteMemory self(::getpid());
    static std::vector<uint64_t> buffer; // one read buffer for every input, as the walk keeps one
    std::vector<uint64_t> memory((size - 8 + 7) / 8 + 2);
    std::memcpy(memory.data(), data + 8, size - 8);
    const uint64_t start = reinterpret_cast<uint64_t>(memory.data());
    const uint64_t end = start + (size - 8);
    const uint64_t top = choice & 1 ? start + (choice >> 1) % (memory.size() * 8) / 16 * 16 : 0;
    size_t chunks = 0;
    uint64_t expected = start;
    std::vector<uint64_t> seen; // address, size and whether in use, of each
    bool failed = false;
    try {
        ChunkStream stream(self, buffer, start, end, top);
        while (const auto chunk = stream.Next()) {
            if (chunk->address != expected || chunk->address + chunk->size > end
                || ++chunks > (end - start) / 32 + 1 || (chunk->top && chunk->address != top))
                std::abort();
            expected += chunk->size;
            seen.insert(seen.end(), { chunk->address, chunk->size, uint64_t(chunk->inUse) });
        }
    } catch (const HeapWalkError&) {
        failed = true;
    }
    std::vector<uint64_t> all;
    bool allFailed = false;
    try {
        ChunkStream stream(self, buffer, start, end, top);
        stream.ForEach([&](const HeapChunk& chunk) {
            if (all.size() >= seen.size())
                std::abort();
            all.insert(all.end(), { chunk.address, chunk.size, uint64_t(chunk.inUse) });
        });
    } catch (const HeapWalkError&) {
        allFailed = true;
    }
    if (all != seen || allFailed != failed)
        std::abort();
    return 0;
}
