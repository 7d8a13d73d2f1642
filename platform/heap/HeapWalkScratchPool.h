#pragma once

#include "platform/heap/HeapWalkScratch.h"

#include <memory>
#include <mutex>
#include <vector>

namespace quorvane {

// Working memory kept between heap walks. Take gives a scratch of an earlier walk when one is
// free, else a new one; Give takes it back unless it has grown past what is worth keeping.
class HeapWalkScratchPool {
public:
    static constexpr size_t KeptBytesLimit = 64 << 20;

    std::unique_ptr<HeapWalkScratch> Take();
    void Give(std::unique_ptr<HeapWalkScratch> scratch);

private:
    std::mutex FLock;
    std::vector<std::unique_ptr<HeapWalkScratch>> FFree;
};

} // namespace quorvane
