#include "platform/heap/HeapWalkScratch.h"

namespace quorvane {

size_t HeapWalkScratch::Capacity() const
{
    return 4 * chunks.capacity()
        + 8 * (streamBuffer.capacity() + largeSizes.capacity() + tcacheCandidates.capacity())
        + cachedFree.Capacity() + links.Capacity();
}

void HeapWalkScratch::Clear()
{
    chunks.clear();
    largeSizes.clear();
    cachedFree.Clear();
    tcacheCandidates.clear();
    links.Clear();
}

} // namespace quorvane
