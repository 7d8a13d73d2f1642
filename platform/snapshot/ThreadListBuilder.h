#pragma once

#include "platform/snapshot/SnapshotBuilder.h"
#include "platform/snapshot/ToolHelp.h"

#include <vector>

namespace quorvane {

// The thread walk: the threads of the one process asked for, listed from /proc/PID/task, each
// one's policy and nice asked of the kernel by its thread id.
class ThreadListBuilder : public SnapshotBuilder {
public:
    bool Build(uint32_t processId, LinuxToolhelpSnapshot& snapshot) override;
};

// Each thread of the process with the process's base priority and its own delta; a thread that
// ends while it is read is left out. False when the process cannot be read.
bool ReadThreads(uint32_t processId, std::vector<THREADENTRY32>& threads);

} // namespace quorvane
