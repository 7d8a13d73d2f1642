#pragma once

#include "platform/control/ProcessHandle.h"
#include "platform/posix/UniqueFd.h"

#include <memory>

namespace quorvane {

// A process handle over a pidfd: once opened it can never reach another process that reuses the
// identifier. The /proc directory opened beside it serves the reads and the thread walk.
class LinuxProcessHandle : public ProcessHandle {
public:
    // The process pid, if it is still the one that started at startTime (clock ticks since boot,
    // as the process snapshot saw it) and the caller may act on it as access asks
    // (PROCESS_TERMINATE: may signal it; PROCESS_SET/QUERY_INFORMATION: may change its
    // scheduling). Nothing otherwise.
    static std::unique_ptr<LinuxProcessHandle> Open(
        uint32_t access, uint32_t pid, uint64_t startTime);

    // SIGKILL: Linux lets no one choose the exit code of a killed process. A kernel thread
    // ignores every signal, so it refuses.
    bool TerminateProcess(uint32_t exitCode) override;
    uint32_t WaitForSingleObject(uint32_t milliseconds) override;
    uint32_t GetPriorityClass() override;
    bool SetPriorityClass(uint32_t priorityClass) override;

    uint32_t Pid() const { return FPid; }

private:
    LinuxProcessHandle(
        UniqueFd pidFd, UniqueFd procDir, uint32_t pid, uint32_t access, bool kernelThread);
    bool Granted(uint32_t access) const { return (FAccess & access) == access; }
    bool Ended() const;

    UniqueFd FPidFd;
    UniqueFd FProcDir;
    uint32_t FPid;
    uint32_t FAccess;
    bool FKernelThread;
};

} // namespace quorvane
