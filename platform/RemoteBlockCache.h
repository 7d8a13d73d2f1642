#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace quorvane {

class RemoteMemory;

// Words of another process read through 64 KiB blocks, for walks that hop from pointer to
// pointer mostly within a few pages (malloc's free lists): one call a block, not one a word.
class RemoteBlockCache {
public:
    explicit RemoteBlockCache(const RemoteMemory& memory);

    // The 8 bytes at a multiple of 8; nothing when they cannot be read.
    std::optional<uint64_t> Word(uint64_t address);

private:
    struct Block {
        uint64_t start = 0; // what was readable of the block
        uint64_t end = 0;
        std::vector<uint64_t> words;
    };

    static constexpr uint64_t BlockBytes = 64 * 1024;
    static constexpr size_t MaxBlocks = 512;

    const Block& BlockOf(uint64_t address);

    const RemoteMemory& FMemory;
    std::unordered_map<uint64_t, Block> FBlocks;
};

} // namespace quorvane
