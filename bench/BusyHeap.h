#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <random>
#include <vector>

// The heap the heap benchmarks walk: a million small blocks of varied sizes, every third freed,
// as a busy program leaves its heap.
constexpr size_t BusyHeapBlocks = 1000000;

enum class FreeOrder { InOrder, AtRandom };

// Lays the heap out in this process. Freed at random, as a program frees what it is done with,
// each fastbin's list hops to and fro across the heap.
inline void FillBusyHeap(FreeOrder order = FreeOrder::InOrder)
{
    std::vector<void*> blocks(BusyHeapBlocks);
    for (size_t i = 0; i < BusyHeapBlocks; ++i)
        blocks[i] = std::malloc(8 + i * 7 % 40);
    std::vector<size_t> freed;
    for (size_t i = 0; i < BusyHeapBlocks; i += 3)
        freed.push_back(i);
    if (order == FreeOrder::AtRandom)
        std::shuffle(freed.begin(), freed.end(), std::mt19937_64(1));
    for (const size_t i : freed)
        std::free(blocks[i]);
}
