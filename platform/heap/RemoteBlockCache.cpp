#include "platform/heap/RemoteBlockCache.h"

#include "platform/heap/RemoteMemory.h"

namespace quorvane {

RemoteBlockCache::RemoteBlockCache(const RemoteMemory& memory)
    : FMemory(memory)
    , FSlots(SlotCount)
{
}

const RemoteBlockCache::Slot& RemoteBlockCache::Load(uint64_t address)
{
    const uint64_t block = address / BlockBytes;
    Slot& slot = FSlots[block % SlotCount];
    FLast = &slot;
    // A block held from a later page on than asked for is read again from the page asked for.
    if (slot.block == block && address >= slot.start)
        return slot;
    if (!slot.words)
        slot.words = std::make_unique_for_overwrite<uint64_t[]>(BlockBytes / 8);
    slot.block = block;
    // The block's first pages may be unmapped where the word's page is not: start there then.
    for (const uint64_t start : { block * BlockBytes, address & ~uint64_t(4095) }) {
        const size_t got = FMemory.Read(start, slot.words.get(), (block + 1) * BlockBytes - start);
        slot.start = start;
        slot.end = start + got / 8 * 8;
        if (got > 0)
            break;
    }
    return slot;
}

} // namespace quorvane
