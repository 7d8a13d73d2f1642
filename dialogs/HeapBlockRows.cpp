#include "dialogs/HeapBlockRows.h"

#include <algorithm>

namespace quorvane {

namespace {
    constexpr uint64_t HeaderBytes = 16;
    constexpr uint64_t LargestPackedSize = (uint64_t(1) << 30) * 16;
}

void HeapBlockRows::Clear()
{
    FWords.clear();
    FCheckpoints.clear();
    FWholes.clear();
    FNextHandle = 0;
    FCorrupt = false;
}

void HeapBlockRows::Append(const HEAPENTRY32& block)
{
    const size_t row = FWords.size();
    if (row % CheckpointEvery == 0) {
        FCheckpoints.push_back(block.hHandle);
        FNextHandle = block.hHandle;
    }
    const bool predicted = block.hHandle == FNextHandle
        && block.dwAddress == block.hHandle + HeaderBytes && block.dwBlockSize % 16 == 0
        && block.dwBlockSize < LargestPackedSize && block.dwLockCount == 0
        && (block.dwFlags == LF32_FIXED || block.dwFlags == LF32_FREE);
    if (predicted) {
        const uint32_t kind = block.dwFlags == LF32_FIXED ? KindFixed : KindFree;
        FWords.push_back(uint32_t(block.dwBlockSize / 16) << 2 | kind);
    } else {
        FWholes.push_back({ row, block });
        FWords.push_back(KindWhole);
    }
    FNextHandle = block.hHandle + block.dwBlockSize;
}

void HeapBlockRows::Append(std::span<const HEAPENTRY32> blocks)
{
    for (const HEAPENTRY32& block : blocks)
        Append(block);
}

void HeapBlockRows::AppendCorrupt()
{
    FCorrupt = true;
}

const HEAPENTRY32& HeapBlockRows::WholeAt(size_t row) const
{
    return std::lower_bound(FWholes.begin(), FWholes.end(), row,
        [](const Whole& whole, size_t wanted) { return whole.row < wanted; })
        ->block;
}

HEAPENTRY32 HeapBlockRows::Decode(size_t row, uint64_t handle) const
{
    const uint32_t word = FWords[row];
    if ((word & 3) == KindWhole)
        return WholeAt(row);
    HEAPENTRY32 block;
    block.hHandle = handle;
    block.dwAddress = handle + HeaderBytes;
    block.dwBlockSize = uint64_t(word >> 2) * 16;
    block.dwFlags = (word & 3) == KindFixed ? LF32_FIXED : LF32_FREE;
    block.dwLockCount = 0;
    return block;
}

HEAPENTRY32 HeapBlockRows::Block(size_t row) const
{
    uint64_t handle = FCheckpoints[row / CheckpointEvery];
    for (size_t at = row - row % CheckpointEvery;; ++at) {
        const HEAPENTRY32 block = Decode(at, handle);
        if (at == row)
            return block;
        handle = block.hHandle + block.dwBlockSize;
    }
}

size_t HeapBlockRows::FindHandle(size_t from, size_t to, uint64_t low, uint64_t high) const
{
    const size_t end = std::min(to, FWords.size());
    if (from >= end)
        return to;
    HEAPENTRY32 block = Block(from);
    for (size_t row = from;;) {
        if (block.hHandle >= low && block.hHandle <= high)
            return row;
        if (++row == end)
            return to;
        // A checkpoint row starts afresh: the row before need not end where it begins.
        block = Decode(row,
            row % CheckpointEvery == 0 ? FCheckpoints[row / CheckpointEvery]
                                       : block.hHandle + block.dwBlockSize);
    }
}

size_t HeapBlockRows::BytesHeld() const
{
    return FWords.capacity() * sizeof(uint32_t) + FCheckpoints.capacity() * sizeof(uint64_t)
        + FWholes.capacity() * sizeof(Whole);
}

} // namespace quorvane
