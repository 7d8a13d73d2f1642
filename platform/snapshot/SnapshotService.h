#pragma once

#include "platform/control/ProcessHandle.h"
#include "platform/heap/HeapWalk.h"
#include "platform/snapshot/ToolhelpSnapshot.h"

#include <functional>
#include <memory>
#include <optional>

namespace quorvane {

// The source of snapshots the main window reads. The Linux one reads /proc; tests hand the window
// a fake of a chosen shape.
class SnapshotService {
public:
    virtual ~SnapshotService() = default;

    // The executable type value (as ExecutableTypeText decodes it) of the file a process record
    // of this service names; 0 when there is none. This one reads the file at the record's path.
    virtual uint32_t ExecutableTypeOf(const PROCESSENTRY32& record);

    // nullptr stands for the platform's handle 0: no snapshot, nothing is listed.
    virtual std::unique_ptr<ToolhelpSnapshot> CreateToolhelp32Snapshot(
        uint32_t flags, uint32_t processId)
        = 0;

    // A handle on a process of the last process snapshot, opened for access (PROCESS_*); nullptr
    // stands for the platform's handle 0: the process is gone, its identifier now names another
    // one, or we may not act on it.
    virtual std::unique_ptr<ProcessHandle> OpenProcess(uint32_t access, uint32_t processId)
    {
        (void)access;
        (void)processId;
        return nullptr;
    }

    // A walk over the blocks of one heap (Heap32First/Heap32Next); nullptr where there is none.
    virtual std::unique_ptr<HeapWalk> CreateHeapWalk() { return nullptr; }

    // A module snapshot gives GlblcntUsage 0 while the count is not known yet. When counts become
    // known or change, the callback runs (on a worker thread, never the caller's); the counts
    // are then read by module identifier.
    virtual void SetOnModuleUsageChanged(std::function<void()> onChanged) { (void)onChanged; }
    virtual std::optional<uint32_t> ModuleGlobalUsage(uint32_t moduleId)
    {
        (void)moduleId;
        return std::nullopt;
    }
};

} // namespace quorvane
