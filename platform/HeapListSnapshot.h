#pragma once

#include "RecordCursor.h"
#include "ToolhelpSnapshot.h"

#include <memory>
#include <vector>

namespace quorvane {

// The malloc heaps of one process, found when the snapshot is taken: the main arena's heap
// (HF32_DEFAULT) first, then each heap of the thread arenas (flags 0), each identified by its
// start address.
class HeapListSnapshot : public ToolhelpSnapshot {
public:
    explicit HeapListSnapshot(std::vector<HEAPLIST32> heaps);

    bool Heap32ListFirst(HEAPLIST32& heap) override;
    bool Heap32ListNext(HEAPLIST32& heap) override;

private:
    RecordCursor<HEAPLIST32> FHeaps;
};

// Read live, without holding the process: a heap changing meanwhile may be missed, never
// invented. A process we may not read, or one without glibc heaps, has an empty list.
std::vector<HEAPLIST32> ReadHeapList(uint32_t processId);

// nullptr when the process's maps cannot be read.
std::unique_ptr<ToolhelpSnapshot> CreateHeapListSnapshot(uint32_t processId);

} // namespace quorvane
