#include "ChunkLinks.h"

#include <algorithm>

namespace quorvane {

void ChunkLinks::Seal()
{
    if (!FSorted)
        std::sort(FEntries.begin(), FEntries.end());
    FSorted = true;
    FFinger = 0;
}

std::optional<ChunkLinks::Link> ChunkLinks::Find(uint64_t chunk)
{
    if (FEntries.empty())
        return std::nullopt;
    // Gallop from the finger towards the chunk, then search the last step's range.
    size_t low = 0;
    size_t high = FEntries.size();
    const size_t finger = std::min(FFinger, FEntries.size() - 1);
    // A free list mostly steps to a near neighbour.
    for (size_t near = finger >= 4 ? finger - 4 : 0; near < std::min(finger + 5, FEntries.size());
         ++near) {
        if (FEntries[near].first == chunk) {
            FFinger = near;
            return Link { (FEntries[near].second & 15) * 16,
                FEntries[near].second & ~uint64_t(15) };
        }
    }
    if (FEntries[finger].first <= chunk) {
        low = finger;
        for (size_t step = 1; low + step < high; step *= 2) {
            if (FEntries[low + step].first > chunk) {
                high = low + step;
                break;
            }
            low += step;
        }
    } else {
        high = finger;
        for (size_t step = 1; step <= high; step *= 2) {
            if (FEntries[high - step].first <= chunk) {
                low = high - step;
                break;
            }
            high -= step;
        }
    }
    const auto at = std::lower_bound(
        FEntries.begin() + low, FEntries.begin() + high, std::make_pair(chunk, uint64_t(0)));
    if (at == FEntries.end() || at->first != chunk)
        return std::nullopt;
    FFinger = size_t(at - FEntries.begin());
    return Link { (at->second & 15) * 16, at->second & ~uint64_t(15) };
}

} // namespace quorvane
