#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace quorvane {

class RemoteMemory;

// Words of another process read through 64 KiB blocks, for walks that hop from pointer to
// pointer mostly within a few pages (malloc's free lists): one call a block, not one a word.
// The blocks live in a fixed set of slots, each block always in the same one.
class RemoteBlockCache {
public:
    explicit RemoteBlockCache(const RemoteMemory& memory);

    // The 8 bytes at a multiple of 8; nothing when they cannot be read.
    std::optional<uint64_t> Word(uint64_t address)
    {
        if (address % 8 != 0)
            return std::nullopt;
        const Slot* slot
            = FLast && address >= FLast->start && address < FLast->end ? FLast : &Load(address);
        if (address < slot->start || address >= slot->end)
            return std::nullopt;
        return slot->words[(address - slot->start) / 8];
    }

private:
    struct Slot {
        uint64_t block = UINT64_MAX; // address / BlockBytes of what it holds
        uint64_t start = 0; // what was readable of the block
        uint64_t end = 0;
        std::unique_ptr<uint64_t[]> words;
    };

    static constexpr uint64_t BlockBytes = 64 * 1024;
    static constexpr size_t SlotCount = 64;

    const Slot& Load(uint64_t address);

    const RemoteMemory& FMemory;
    std::vector<Slot> FSlots;
    const Slot* FLast = nullptr;
};

} // namespace quorvane
