#include "platform/heap/MallocArenas.h"
#include "tests/platform/heap/ThreadHeapImage.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace quorvane;
using namespace quorvane::malloc_layout;
using quorvane::testing::ThreadHeapImage;

namespace {
constexpr uint64_t Next = HeapAlignment; // where a second heap of the image starts

// Each heap found: start, first chunk and end, from the image's start.
using Heaps = std::vector<std::tuple<uint64_t, uint64_t, uint64_t>>;

struct Case {
    const char* what;
    int minor;
    void (*change)(ThreadHeapImage&); // of the image, when given
    Heaps heaps;
    uint64_t mapped = ThreadHeapImage::Bytes; // bytes of the image's map
};

// A second heap at the next 64 MiB boundary, naming the first as the one before it.
void SecondHeap(ThreadHeapImage& image, uint64_t arena)
{
    const uint64_t info[] = { arena, image.start, ThreadHeapImage::Bytes, ThreadHeapImage::Bytes };
    for (uint64_t i = 0; i < 4; ++i)
        image.Put(image.start + Next + i * 8, info[i]);
}

using I = ThreadHeapImage&;
const Heaps One { { 0, 0x8d0, 0x10000 } };
const Case Cases[] = {
    { "2.36: one heap", 36, nullptr, One },
    { "2.41: as 2.36", 41, nullptr, One },
    { "2.42: as 2.36", 42, nullptr, One },
    { "2.43: a smaller arena", 43, nullptr, { { 0, 0x870, 0x10000 } } },
    { "2.99: a version not known", 99, nullptr, {} },
    { "size not whole pages", 36, [](I i) { i.Put(i.start + 16, 0xF000 + 8); }, {} },
    { "size past the map", 36, nullptr, {}, 0x8000 },
    { "protected size below the size", 36, [](I i) { i.Put(i.start + 24, 0x8000); }, {} },
    { "arena not behind heap_info", 36, [](I i) { i.Put(i.start, i.arena + 16); }, {} },
    { "a first heap naming one before", 36, [](I i) { i.Put(i.start + 8, i.start - Next); }, {} },
    { "a second heap of the arena", 36, [](I i) { SecondHeap(i, i.arena); },
        { One[0], { Next, Next + 48, Next + 0x10000 } }, Next + ThreadHeapImage::Bytes },
    { "a second heap of another arena", 36, [](I i) { SecondHeap(i, i.arena + 0x1000); }, One,
        Next + ThreadHeapImage::Bytes },
};
}

// Each heap with its bounds and arena, and the arena's top as its layout places it (the walks
// on each C library read its fastbins); a heap whose records do not hold together is not one.
TEST(MallocArenas, findsTheThreadHeapsOfALiteralImage)
{
    for (const Case& c : Cases) {
        SCOPED_TRACE(c.what);
        ThreadHeapImage image(c.minor);
        const uint64_t top = image.firstChunk + 0x400;
        image.Put(image.arena + image.layout.arenaTop, top);
        if (c.change)
            c.change(image);
        const MallocArenas arenas = image.Arenas(c.mapped);
        EXPECT_EQ(arenas.Layout() != nullptr, c.minor != 99);
        Heaps heaps;
        for (const MallocHeap& heap : arenas.Heaps()) {
            heaps.emplace_back(
                heap.start - image.start, heap.firstChunk - image.start, heap.end - image.start);
            EXPECT_EQ(heap.arena, image.arena);
            EXPECT_FALSE(heap.main);
        }
        EXPECT_EQ(heaps, c.heaps);
        const MallocArena* arena = arenas.ArenaAt(image.arena);
        ASSERT_EQ(arena != nullptr, !c.heaps.empty());
        if (!arena)
            continue;
        EXPECT_EQ(arena->top, top);
        EXPECT_EQ(arenas.HeapHolding(image.arena, top), &arenas.Heaps().front());
        EXPECT_EQ(arenas.HeapHolding(image.arena, image.start + 0x10000), nullptr);
    }
}
