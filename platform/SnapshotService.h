#pragma once

#include "HeapWalk.h"
#include "ToolhelpSnapshot.h"

#include <memory>

namespace quorvane {

// The source of snapshots the main window reads. The Linux one reads /proc; tests hand the window
// a fake of a chosen shape.
class SnapshotService {
public:
    virtual ~SnapshotService() = default;

    // nullptr stands for the platform's handle 0: no snapshot, nothing is listed.
    virtual std::unique_ptr<ToolhelpSnapshot> CreateToolhelp32Snapshot(
        uint32_t flags, uint32_t processId)
        = 0;

    // A walk over the blocks of one heap (Heap32First/Heap32Next); nullptr where there is none.
    virtual std::unique_ptr<HeapWalk> CreateHeapWalk() { return nullptr; }
};

} // namespace quorvane
