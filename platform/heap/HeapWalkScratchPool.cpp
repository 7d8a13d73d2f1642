#include "platform/heap/HeapWalkScratchPool.h"

namespace quorvane {

std::unique_ptr<HeapWalkScratch> HeapWalkScratchPool::Take()
{
    const std::lock_guard guard(FLock);
    if (FFree.empty())
        return std::make_unique<HeapWalkScratch>();
    std::unique_ptr<HeapWalkScratch> scratch = std::move(FFree.back());
    FFree.pop_back();
    return scratch;
}

void HeapWalkScratchPool::Give(std::unique_ptr<HeapWalkScratch> scratch)
{
    if (!scratch || scratch->Capacity() > KeptBytesLimit)
        return;
    scratch->Clear();
    const std::lock_guard guard(FLock);
    FFree.push_back(std::move(scratch));
}

} // namespace quorvane
