#pragma once

#include <cstdint>

namespace quorvane {

class LinuxToolhelpSnapshot;

// Fills the records of one kind (processes, threads, modules or heaps) into a new snapshot. It
// leaves out what it cannot read, never throws, and answers false only when nothing of its kind
// can be read at all (the service then gives no snapshot).
class SnapshotBuilder {
public:
    virtual ~SnapshotBuilder() = default;
    virtual bool Build(uint32_t processId, LinuxToolhelpSnapshot& snapshot) = 0;
};

} // namespace quorvane
