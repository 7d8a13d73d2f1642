#pragma once

#include "ToolhelpSnapshot.h"

#include <memory>

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
};

} // namespace quorvane
