#include "platform/heap/MallocLayout.h"

#include "platform/heap/GlibcVersion.h"

#include <bit>

namespace quorvane {

using namespace malloc_layout;

namespace {
    // 2.36 to 2.41: fastbins, 64 tcache bins counting what they hold.
    constexpr MallocLayout Classic { "2.36-2.41", 2200, 10, 16, 96, 112, 2160, 2184, 0x8d0, 64,
        true, 128, 0x290, 0x290, true };
    // 2.42: as before, but 64 + 12 tcache bins counting the slots left.
    constexpr MallocLayout SlotCounting { "2.42", 2200, 10, 16, 96, 112, 2160, 2184, 0x8d0, 76,
        false, 152, 0x300, 0x300, false };
    // 2.43 on: no fastbins. A thread's cache made by the arena code is padded twice (0x310).
    constexpr MallocLayout WithoutFastbins { "2.43-2.44", 2112, 0, 0, 8, 24, 2072, 2096, 0x870, 76,
        false, 152, 0x300, 0x310, false };
}

bool MallocLayout::FitsTcacheBin(int index, uint64_t size) const
{
    if (index < TcacheSmallBins)
        return size == TcacheChunkSizeOf(index);
    // Large bin i holds the chunks whose size has i - 64 more bits than the largest small one.
    return index < tcacheBins && size > MaxTcacheSmallChunk && size % ChunkAlignment == 0
        && std::bit_width(size) - std::bit_width(MaxTcacheSmallChunk)
        == uint64_t(index - TcacheSmallBins);
}

const MallocLayout* MallocLayout::For(const GlibcVersion& version)
{
    if (version.major != 2)
        return nullptr;
    if (version.minor >= 36 && version.minor <= 41)
        return &Classic;
    if (version.minor == 42)
        return &SlotCounting;
    if (version.minor == 43 || version.minor == 44)
        return &WithoutFastbins;
    return nullptr;
}

} // namespace quorvane
