#pragma once

#include "platform/snapshot/ToolHelp.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quorvane {

// The blocks of one heap walk, kept in walk order in about four bytes a block. A block is mostly
// what the one before it predicts (it starts where that one ends, its address is 16 bytes in,
// its size a multiple of 16, fixed or free, not locked): such a block keeps only its size and
// kind in one word. Any other block is kept whole beside them. Every 64th block's handle is kept
// too, so a row is rebuilt from at most 63 sizes before it.
class HeapBlockRows {
public:
    void Clear();
    void Append(const HEAPENTRY32& block);
    void Append(std::span<const HEAPENTRY32> blocks);
    // The last row: where a walk that failed stops.
    void AppendCorrupt();

    size_t Count() const { return FWords.size() + (FCorrupt ? 1 : 0); }
    bool IsCorrupt(size_t row) const { return FCorrupt && row == FWords.size(); }
    // The block of a row that is not the corrupt one; only the five shown fields are kept.
    HEAPENTRY32 Block(size_t row) const;
    // The first row from `from` up to (not including) `to` whose handle lies in [low, high], in
    // one pass over the rows between; `to` when there is none. The corrupt row has no handle.
    size_t FindHandle(size_t from, size_t to, uint64_t low, uint64_t high) const;
    // What the rows hold on the heap.
    size_t BytesHeld() const;

private:
    struct Whole {
        size_t row = 0;
        HEAPENTRY32 block;
    };
    static constexpr size_t CheckpointEvery = 64;
    static constexpr uint32_t KindFixed = 0;
    static constexpr uint32_t KindFree = 1;
    static constexpr uint32_t KindWhole = 2;

    const HEAPENTRY32& WholeAt(size_t row) const;
    // The block of a row whose handle is known.
    HEAPENTRY32 Decode(size_t row, uint64_t handle) const;

    std::vector<uint32_t> FWords; // size / 16 << 2 | kind
    std::vector<uint64_t> FCheckpoints; // the handle of every 64th row
    std::vector<Whole> FWholes; // by row
    uint64_t FNextHandle = 0; // where the last block ends
    bool FCorrupt = false;
};

} // namespace quorvane
