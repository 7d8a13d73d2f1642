#include "platform/heap/CachedFreeChunks.h"
#include "platform/heap/ChunkLinks.h"
#include "platform/heap/ChunkMarks.h"
#include "tests/platform/heap/ThreadHeapImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

using namespace quorvane;
using namespace quorvane::malloc_layout;
using quorvane::testing::ThreadHeapImage;

namespace {
constexpr uint64_t Chunks = 8; // of 32 bytes each, after the thread's cache
constexpr uint64_t Key = 0x5eed5eed5eed5eed; // tcache_key

// The thread's cache as the heap's first chunk, then the small chunks, all in use so far.
struct FreeListImage : ThreadHeapImage {
    explicit FreeListImage(int minor)
        : ThreadHeapImage(minor)
    {
        Put(firstChunk + 8, layout.tcacheChunkSize | PrevInUse);
        for (uint64_t k = 0; k < Chunks; ++k)
            Put(Chunk(k) + 8, 32 | PrevInUse);
    }
    uint64_t Chunk(uint64_t k) const { return firstChunk + layout.tcacheChunkSize + k * 32; }
    // Fastbin 0 as the chunks listed, safe-linked, the last one linking to last.
    void Fastbin(std::vector<uint64_t> chunks, uint64_t last)
    {
        Put(arena + layout.arenaFastbins, Chunk(chunks.front()));
        for (size_t i = 0; i < chunks.size(); ++i) {
            const uint64_t user = Chunk(chunks[i]) + 16;
            Put(user, Reveal(user, i + 1 < chunks.size() ? Chunk(chunks[i + 1]) : last));
        }
    }
    // Tcache bin 0 holding chunks, with count as the bin's own number.
    void Tcache(std::vector<uint64_t> chunks, uint16_t count, uint16_t othersCount = 0)
    {
        for (int bin = 0; bin < layout.tcacheBins; ++bin) {
            const uint16_t binCount = bin == 0 ? count : othersCount;
            std::memcpy(reinterpret_cast<void*>(firstChunk + 16 + uint64_t(bin) * 2), &binCount, 2);
        }
        Put(firstChunk + 16 + layout.tcacheEntries, Chunk(chunks.front()) + 16);
        for (size_t i = 0; i < chunks.size(); ++i) {
            const uint64_t user = Chunk(chunks[i]) + 16;
            Put(user, Reveal(user, i + 1 < chunks.size() ? Chunk(chunks[i + 1]) + 16 : 0));
            Put(user + 8, Key);
        }
    }
};

struct Case {
    const char* what;
    int minor;
    void (*fill)(FreeListImage&);
    std::set<uint64_t> free; // chunks found free
};

using I = FreeListImage&;
// clang-format off
const Case Cases[] = {
    { "a fastbin of two", 36, [](I i) { i.Fastbin({ 1, 3 }, 0); }, { 1, 3 } },
    { "a fastbin into a chunk of another size", 36,
        [](I i) { i.Fastbin({ 1, 3 }, 0), i.Put(i.Chunk(3) + 8, 48 | PrevInUse); }, { 1 } },
    { "a fastbin that loops", 36, [](I i) { i.Fastbin({ 1, 3 }, i.Chunk(1)); }, { 1, 3 } },
    { "a fastbin out of the heap", 41, [](I i) { i.Fastbin({ 6 }, 0x10000); }, { 6 } },
    { "a fastbin into a chunk's middle", 41, [](I i) { i.Fastbin({ 6 }, i.Chunk(4) + 16); }, { 6 } },
    { "a tcache of two", 36, [](I i) { i.Tcache({ 2, 4 }, 2); }, { 2, 4 } },
    { "a tcache a chunk longer than its count", 36, [](I i) { i.Tcache({ 2, 4 }, 1); }, {} },
    { "a tcache a chunk shorter than its count", 36, [](I i) { i.Tcache({ 2, 4 }, 3); }, {} },
    { "a tcache with two keys", 41, [](I i) { i.Tcache({ 2, 4 }, 2), i.Put(i.Chunk(4) + 24, 1); }, {} },
    { "a tcache and a fastbin", 41, [](I i) { i.Tcache({ 0 }, 1), i.Fastbin({ 7, 5 }, 0); }, { 0, 5, 7 } },
    // From 2.42 on the counts are the slots left: chunks and slots add up alike in every bin.
    { "2.43: slots and chunks adding up", 43, [](I i) { i.Tcache({ 2, 4 }, 5, 7); }, { 2, 4 } },
    { "2.43: slots and chunks that do not", 43, [](I i) { i.Tcache({ 2, 4 }, 6, 7); }, {} },
};
// clang-format on
}

// The chunks the free lists hold, every link read from the heap (the walks on each C library
// take them from the links the heap stream keeps).
TEST(CachedFreeChunks, findsTheChunksOfLiteralFreeLists)
{
    for (const Case& c : Cases) {
        SCOPED_TRACE(c.what);
        FreeListImage image(c.minor);
        image.Put(image.arena + image.layout.arenaTop, image.Chunk(Chunks));
        c.fill(image);
        const MallocArenas arenas = image.Arenas();
        ASSERT_EQ(arenas.Heaps().size(), 1u);
        ChunkLinks links;
        links.Seal();
        ChunkMarks marks;
        marks.Reset(image.firstChunk, image.start + ThreadHeapImage::Bytes);
        FindCachedFreeChunks(
            ThreadHeapImage::Memory(), arenas, image.arena, { image.firstChunk }, links, marks);
        std::set<uint64_t> free;
        for (uint64_t k = 0; k <= Chunks; ++k) {
            if (marks.Marked(image.Chunk(k)))
                free.insert(k);
        }
        EXPECT_EQ(free, c.free);
        EXPECT_FALSE(marks.Marked(image.firstChunk));
    }
}
