#include "platform/heap/HeapWalkScratch.h"

namespace quorvane {

size_t HeapWalkScratch::Capacity() const
{
    return 4 * chunks.capacity()
        + 8
        * (streamBuffer.capacity() + largeSizes.capacity() + cachedFree.capacity()
            + tcacheCandidates.capacity() + cachedChunks.capacity())
        + links.Capacity();
}

void HeapWalkScratch::Clear()
{
    chunks.clear();
    largeSizes.clear();
    cachedFree.clear();
    tcacheCandidates.clear();
    cachedChunks.clear();
    links.Clear();
}

} // namespace quorvane
