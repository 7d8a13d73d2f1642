// The rows of a heap walk give back every block as it was walked, whether it was packed or kept
// whole.
#include "dialogs/HeapBlockRows.h"

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

using namespace quorvane;

namespace {

auto Shown(const HEAPENTRY32& b)
{
    return std::tuple(b.hHandle, b.dwAddress, b.dwBlockSize, b.dwFlags, b.dwLockCount);
}

TEST(HeapBlockRows, everyRowGivesBackTheFieldsOfItsBlockAndFindsItsHandle)
{
    const std::vector<HEAPENTRY32> blocks = {
        { 0x1000, 0x1010, 0x20, LF32_FIXED },
        { 0x1020, 0x1030, 0x40, LF32_FREE },
        { 0x1060, 0x1070, 0x10, LF32_FIXED, 1 }, // locked
        { 0x1070, 0x1080, 0x30, LF32_FIXED }, // after a whole block: predicted again
        { 0x2000, 0x2010, 0x10, LF32_FIXED }, // a gap before it
        { 0x2010, 0x2018, 0x10, LF32_FIXED }, // its address not 16 bytes in
        { 0x2020, 0x2030, 0x18, LF32_FREE }, // a size no multiple of 16
        { 0x2038, 0x2048, 0x10, LF32_MOVEABLE },
        { 0x2048, 0x2058, uint64_t(1) << 34, LF32_FIXED }, // too large to pack
        { 0x2048 + (uint64_t(1) << 34), 0x2058 + (uint64_t(1) << 34), 0x10, LF32_FREE },
    };
    HeapBlockRows rows;
    rows.Append(blocks);
    ASSERT_EQ(rows.Count(), blocks.size());
    for (size_t row = 0; row < blocks.size(); ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(Shown(rows.Block(row)), Shown(blocks[row]));
        EXPECT_FALSE(rows.IsCorrupt(row));
        const uint64_t handle = blocks[row].hHandle;
        EXPECT_EQ(rows.FindHandle(0, rows.Count(), handle, handle), row);
    }
    EXPECT_EQ(rows.FindHandle(0, rows.Count(), 0x1001, 0x101F), rows.Count()) << "no handle there";
    EXPECT_EQ(rows.FindHandle(4, 2, 0, ~uint64_t(0)), 2u) << "an empty range";
    EXPECT_EQ(rows.FindHandle(5, 8, 0x1000, 0x2010), 5u) << "from the first row asked";

    rows.AppendCorrupt();
    EXPECT_EQ(rows.Count(), blocks.size() + 1);
    EXPECT_TRUE(rows.IsCorrupt(blocks.size()));
    EXPECT_EQ(rows.FindHandle(0, rows.Count(), 0x2048, 0x2048), 8u);
    rows.Clear();
    EXPECT_EQ(rows.Count(), 0u);
}

} // namespace
