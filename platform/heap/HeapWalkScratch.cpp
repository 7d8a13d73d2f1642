#include "HeapWalkScratch.h"

namespace quorvane {

size_t HeapWalkScratch::Capacity() const
{
    return 8
        * (streamBuffer.capacity() + chunks.capacity() + cachedFree.capacity()
            + tcacheCandidates.capacity() + cachedChunks.capacity())
        + links.Capacity();
}

void HeapWalkScratch::Clear()
{
    chunks.clear();
    cachedFree.clear();
    tcacheCandidates.clear();
    cachedChunks.clear();
    links.Clear();
}

} // namespace quorvane
