#pragma once

#include "platform/snapshot/SnapshotBuilder.h"
#include "platform/snapshot/ToolHelp.h"

#include <vector>

namespace quorvane {

// The heap list: the malloc heaps of the one process asked for. The main arena's heap
// (HF32_DEFAULT) comes first, then each heap of the thread arenas (flags 0), each identified by
// its start address.
class HeapListBuilder : public SnapshotBuilder {
public:
    bool Build(uint32_t processId, LinuxToolhelpSnapshot& snapshot) override;
};

// Read live, without holding the process: a heap changing meanwhile may be missed, never
// invented. A process we may not read, or one without glibc heaps, has none. False only when the
// process's maps cannot be read.
bool ReadHeapList(uint32_t processId, std::vector<HEAPLIST32>& heaps);

} // namespace quorvane
