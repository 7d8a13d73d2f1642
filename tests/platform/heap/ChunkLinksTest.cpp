#include "platform/heap/ChunkLinks.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace quorvane;

namespace {
constexpr uint64_t H = 0x7f0000001000; // a heap's first chunk

struct Entry {
    uint64_t chunk;
    uint64_t size;
    uint64_t next;
};

struct Lookup {
    uint64_t chunk;
    std::optional<std::pair<uint64_t, uint64_t>> found; // size, next
};

struct Case {
    const char* what;
    std::vector<Entry> added; // in this order
    std::vector<Lookup> lookups; // in this order
};

const std::pair<uint64_t, uint64_t> Small { 32, 0 };

// clang-format off
const Case Cases[] = {
    { "neighbours, looked up down and up",
        { { H, 32, 0 }, { H + 0x20, 48, H }, { H + 0x50, 240, H + 0x20 } },
        { { H + 0x50, { { 240, H + 0x20 } } }, { H + 0x20, { { 48, H } } }, { H, Small },
          { H + 0x50, { { 240, H + 0x20 } } }, { H + 0x10, {} }, { H + 0x40, {} },
          { H + 0x60, {} }, { H - 0x10, {} }, { H + 0x28, {} } } },
    { "64 granules apart: the next word of bits",
        { { H, 32, 0 }, { H + 0x400, 32, H }, { H + 0x410, 32, 0 } },
        { { H + 0x410, Small }, { H + 0x400, { { 32, H } } }, { H + 0x3f0, {} }, { H, Small } } },
    { "a gap wider than a page: two stretches",
        { { H, 32, 0 }, { H + 0x1000, 64, H }, { H + 0x1020, 32, 0 } },
        { { H + 0x1000, { { 64, H } } }, { H + 0x800, {} }, { H + 0xff0, {} }, { H, Small },
          { H + 0x1020, Small }, { H + 0x1030, {} } } },
    { "heaps far apart, the later one first",
        { { H + 0x4000000, 48, H + 0x4000020 }, { H + 0x4000020, 32, 0 }, { H, 176, H + 0x4000000 } },
        { { H, { { 176, H + 0x4000000 } } }, { H + 0x4000000, { { 48, H + 0x4000020 } } },
          { H + 0x4000020, Small }, { H + 0x2000000, {} } } },
    { "a chunk named twice keeps what sorts first",
        { { H + 0x20, 32, H + 0x40 }, { H, 32, 0 }, { H + 0x20, 32, H } },
        { { H + 0x20, { { 32, H } } }, { H, Small } } },
    { "nothing added", {}, { { H, {} }, { 0, {} } } },
};
// clang-format on
}

// Each lookup in turn, after the entries were added and sealed: the size and link of a chunk
// added, nothing for any other address.
TEST(ChunkLinks, findsWhatWasAddedAndNothingElse)
{
    for (const Case& c : Cases) {
        SCOPED_TRACE(c.what);
        ChunkLinks links;
        for (const Entry& entry : c.added)
            links.Add(entry.chunk, entry.size, entry.next);
        links.Seal();
        for (const Lookup& lookup : c.lookups) {
            const auto found = links.Find(lookup.chunk);
            SCOPED_TRACE(lookup.chunk - H);
            ASSERT_EQ(found.has_value(), lookup.found.has_value());
            if (found) {
                EXPECT_EQ(std::pair(found->size, found->next), *lookup.found);
            }
        }
        EXPECT_FALSE(links.Find(UINT64_MAX & ~uint64_t(15)));
    }
}
