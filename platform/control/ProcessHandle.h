#pragma once

#include <cstdint>

namespace quorvane {

constexpr uint32_t PROCESS_TERMINATE = 0x0001;
constexpr uint32_t PROCESS_SET_INFORMATION = 0x0200;
constexpr uint32_t PROCESS_QUERY_INFORMATION = 0x0400;

constexpr uint32_t INFINITE = 0xFFFFFFFF;
constexpr uint32_t WAIT_OBJECT_0 = 0;
constexpr uint32_t WAIT_TIMEOUT = 0x102;
constexpr uint32_t WAIT_FAILED = 0xFFFFFFFF;

// An open process: what OpenProcess hands out. It names one process for its whole life, never
// another that later gets the same identifier; closing it (CloseHandle) is its destruction.
class ProcessHandle {
public:
    virtual ~ProcessHandle() = default;

    // Ends the process at once; false when the system refuses.
    virtual bool TerminateProcess(uint32_t exitCode) = 0;
    // WAIT_OBJECT_0 once the process has ended, WAIT_TIMEOUT when the limit passed first,
    // WAIT_FAILED when it cannot be waited for.
    virtual uint32_t WaitForSingleObject(uint32_t milliseconds) = 0;
    // IDLE/NORMAL/HIGH/REALTIME_PRIORITY_CLASS; 0 when it cannot be read.
    virtual uint32_t GetPriorityClass() = 0;
    // Every thread of the process, or none when any refuses.
    virtual bool SetPriorityClass(uint32_t priorityClass) = 0;
};

} // namespace quorvane
