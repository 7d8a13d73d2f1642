#include "platform/heap/ChunkLinks.h"

#include <algorithm>

namespace quorvane {

void ChunkLinks::Seal()
{
    if (!FSorted)
        std::sort(FEntries.begin(), FEntries.end());
    FSorted = true;
    FFinger = 0;
}

// A free list mostly steps to a near neighbour: a few entries down (a bin fills upwards and
// hands out from its head) or up. So the first entry not below chunk is looked for next to the
// finger, on the side chunk lies, then in steps that double, then by binary search in the last.
size_t ChunkLinks::LowerBound(uint64_t chunk, size_t finger) const
{
    const auto below = [](const std::pair<uint64_t, uint64_t>& entry, uint64_t wanted) {
        return entry.first < wanted;
    };
    const auto search = [&](size_t from, size_t to) {
        return size_t(std::lower_bound(FEntries.begin() + ptrdiff_t(from),
                          FEntries.begin() + ptrdiff_t(to), chunk, below)
            - FEntries.begin());
    };
    if (FEntries[finger].first >= chunk) {
        // Every entry from high on is not below chunk.
        size_t high = finger;
        size_t step = 1;
        for (size_t taken = 0; high >= step && FEntries[high - step].first >= chunk; ++taken) {
            high -= step;
            step = taken + 1 < NearSteps ? 1 : step * 2;
        }
        return search(high >= step ? high - step + 1 : 0, high);
    }
    // Every entry before low is below chunk.
    size_t low = finger + 1;
    size_t step = 1;
    for (size_t taken = 0;
         low + step - 1 < FEntries.size() && FEntries[low + step - 1].first < chunk; ++taken) {
        low += step;
        step = taken + 1 < NearSteps ? 1 : step * 2;
    }
    return search(low, std::min(low + step - 1, FEntries.size()));
}

std::optional<ChunkLinks::Link> ChunkLinks::Find(uint64_t chunk)
{
    if (FEntries.empty())
        return std::nullopt;
    const size_t at = LowerBound(chunk, std::min(FFinger, FEntries.size() - 1));
    if (at == FEntries.size() || FEntries[at].first != chunk)
        return std::nullopt;
    FFinger = at;
    return Link { (FEntries[at].second & 15) * 16, FEntries[at].second & ~uint64_t(15) };
}

} // namespace quorvane
