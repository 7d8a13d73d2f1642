#include "platform/control/LinuxProcessHandle.h"

#include "platform/control/ThreadScheduling.h"
#include "platform/proc/Priority.h"
#include "platform/proc/ProcFiles.h"
#include "platform/proc/ProcStat.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <sched.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

namespace quorvane {

namespace {
    // Direct system calls: glibc 2.36's <sys/pidfd.h> declares its wrappers without C linkage.
    int PidfdOpen(pid_t pid)
    {
        return int(::syscall(SYS_pidfd_open, pid, 0));
    }

    int PidfdSendSignal(int pidFd, int signal)
    {
        return int(::syscall(SYS_pidfd_send_signal, pidFd, signal, nullptr, 0));
    }

    bool HasCapability(int capability)
    {
        __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] {};
        if (::syscall(SYS_capget, &header, data) != 0)
            return false;
        return (data[capability / 32].effective & (1u << (capability % 32))) != 0;
    }

    // The kernel's rule for changing another thread's nice or policy: we are its owner (our
    // effective user is its real or effective one) or we hold CAP_SYS_NICE.
    bool MayChangeScheduling(int procDir)
    {
        if (HasCapability(CAP_SYS_NICE))
            return true;
        const std::optional<std::string> status = ReadProcFile(procDir, "status");
        const size_t line = status ? status->find("\nUid:") : std::string::npos;
        if (line == std::string::npos)
            return false;
        unsigned long real = 0;
        unsigned long effective = 0;
        if (std::sscanf(status->c_str() + line + 5, "%lu %lu", &real, &effective) != 2)
            return false;
        const uid_t us = ::geteuid();
        return real == us || effective == us;
    }

    bool MaySignal(int pidFd)
    {
        return PidfdSendSignal(pidFd, 0) == 0;
    }
}

LinuxProcessHandle::LinuxProcessHandle(
    UniqueFd pidFd, UniqueFd procDir, uint32_t pid, uint32_t access, bool kernelThread)
    : FPidFd(std::move(pidFd))
    , FProcDir(std::move(procDir))
    , FPid(pid)
    , FAccess(access)
    , FKernelThread(kernelThread)
{
}

std::unique_ptr<LinuxProcessHandle> LinuxProcessHandle::Open(
    uint32_t access, uint32_t pid, uint64_t startTime)
{
    if (pid == 0 || pid > INT_MAX)
        return nullptr;
    UniqueFd pidFd(PidfdOpen(pid_t(pid)));
    if (!pidFd.Valid())
        return nullptr;
    // Whatever /proc/PID shows from here on is the pidfd's process or a later one with its
    // identifier; the start time tells which.
    const std::string path = "/proc/" + std::to_string(pid);
    UniqueFd procDir(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!procDir.Valid())
        return nullptr;
    const std::optional<std::string> text = ReadProcFile(procDir.Get(), "stat");
    const std::optional<ProcStat> stat = text ? ParseProcStat(*text) : std::nullopt;
    if (!stat || stat->starttime != startTime)
        return nullptr;

    if ((access & PROCESS_TERMINATE) && !MaySignal(pidFd.Get()))
        return nullptr;
    if ((access & (PROCESS_SET_INFORMATION | PROCESS_QUERY_INFORMATION))
        && !MayChangeScheduling(procDir.Get()))
        return nullptr;
    return std::unique_ptr<LinuxProcessHandle>(new LinuxProcessHandle(
        std::move(pidFd), std::move(procDir), pid, access, (stat->flags & PF_KTHREAD) != 0));
}

bool LinuxProcessHandle::Ended() const
{
    pollfd item { FPidFd.Get(), POLLIN, 0 };
    return ::poll(&item, 1, 0) != 0;
}

bool LinuxProcessHandle::TerminateProcess(uint32_t /*exitCode*/)
{
    return Granted(PROCESS_TERMINATE) && !FKernelThread
        && PidfdSendSignal(FPidFd.Get(), SIGKILL) == 0;
}

uint32_t LinuxProcessHandle::WaitForSingleObject(uint32_t milliseconds)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        int timeout = -1;
        if (milliseconds != INFINITE) {
            const auto left
                = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            timeout = int(std::clamp<int64_t>(left.count(), 0, INT_MAX));
        }
        pollfd item { FPidFd.Get(), POLLIN, 0 };
        const int ready = ::poll(&item, 1, timeout);
        if (ready > 0)
            return WAIT_OBJECT_0;
        if (ready == 0)
            return WAIT_TIMEOUT;
        if (errno != EINTR)
            return WAIT_FAILED;
    }
}

uint32_t LinuxProcessHandle::GetPriorityClass()
{
    if (!Granted(PROCESS_QUERY_INFORMATION))
        return 0;
    const std::optional<ThreadSchedule> main = ReadThreadSchedule(pid_t(FPid));
    // Read first, then make sure the identifier was still this process's when it was read.
    if (!main || Ended())
        return 0;
    return PriorityClassOf(main->Policy, main->Nice);
}

bool LinuxProcessHandle::SetPriorityClass(uint32_t priorityClass)
{
    if (!Granted(PROCESS_SET_INFORMATION) || Ended())
        return false;
    const UniqueFd taskDir(::openat(FProcDir.Get(), "task", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return taskDir.Valid() && SetProcessPriorityClass(taskDir.Get(), priorityClass);
}

} // namespace quorvane
