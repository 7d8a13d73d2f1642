#include "RemoteBlockCache.h"

#include "RemoteMemory.h"

namespace quorvane {

RemoteBlockCache::RemoteBlockCache(const RemoteMemory& memory)
    : FMemory(memory)
{
}

const RemoteBlockCache::Block& RemoteBlockCache::BlockOf(uint64_t address)
{
    const uint64_t index = address / BlockBytes;
    const auto cached = FBlocks.find(index);
    if (cached != FBlocks.end())
        return cached->second;
    if (FBlocks.size() >= MaxBlocks)
        FBlocks.clear();
    // The block's first pages may be unmapped where the word's page is not: start there then.
    Block block;
    block.words.resize(BlockBytes / 8);
    for (const uint64_t start : { index * BlockBytes, address & ~uint64_t(4095) }) {
        const size_t got
            = FMemory.Read(start, block.words.data(), (index + 1) * BlockBytes - start);
        block.start = start;
        block.end = start + got / 8 * 8;
        if (got > 0)
            break;
    }
    return FBlocks.emplace(index, std::move(block)).first->second;
}

std::optional<uint64_t> RemoteBlockCache::Word(uint64_t address)
{
    if (address % 8 != 0 || address > UINT64_MAX - 8)
        return std::nullopt;
    const Block& block = BlockOf(address);
    if (address < block.start || address + 8 > block.end)
        return std::nullopt;
    return block.words[(address - block.start) / 8];
}

} // namespace quorvane
