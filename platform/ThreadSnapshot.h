#pragma once

#include "RecordCursor.h"
#include "ToolhelpSnapshot.h"

#include <memory>
#include <vector>

namespace quorvane {

// The threads of one process, read from /proc/PID/task when the snapshot is taken.
class ThreadSnapshot : public ToolhelpSnapshot {
public:
    explicit ThreadSnapshot(std::vector<THREADENTRY32> threads);

    bool Thread32First(THREADENTRY32& thread) override;
    bool Thread32Next(THREADENTRY32& thread) override;

private:
    RecordCursor<THREADENTRY32> FThreads;
};

// The threads of the process: each with the process's base priority and its own delta. Nothing
// when the process is gone; a thread that ends while it is read is left out.
std::vector<THREADENTRY32> ReadThreads(uint32_t processId);

// nullptr when the process cannot be read.
std::unique_ptr<ToolhelpSnapshot> CreateThreadSnapshot(uint32_t processId);

} // namespace quorvane
