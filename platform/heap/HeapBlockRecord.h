#pragma once
// The record the heap walk hands out for each block, and its flags. Addresses and sizes are 64
// bits wide.

#include <cstdint>

namespace quorvane {

constexpr uint32_t LF32_FIXED = 1;
constexpr uint32_t LF32_FREE = 2;
constexpr uint32_t LF32_MOVEABLE = 4;

struct HEAPENTRY32 {
    uint64_t hHandle = 0;
    uint64_t dwAddress = 0;
    uint64_t dwBlockSize = 0;
    uint32_t dwFlags = 0;
    uint32_t dwLockCount = 0;
    uint32_t th32ProcessID = 0;
    uint64_t th32HeapID = 0;
};

} // namespace quorvane
