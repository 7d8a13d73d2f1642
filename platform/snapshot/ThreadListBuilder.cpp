#include "platform/snapshot/ThreadListBuilder.h"

#include "platform/posix/UniqueFd.h"
#include "platform/proc/Priority.h"
#include "platform/proc/ProcFiles.h"
#include "platform/proc/ProcStat.h"
#include "platform/snapshot/LinuxToolhelpSnapshot.h"

#include <cerrno>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/resource.h>

namespace quorvane {

bool ThreadListBuilder::Build(uint32_t processId, LinuxToolhelpSnapshot& snapshot)
{
    return ReadThreads(processId, snapshot.Threads().Records());
}

namespace {
    std::optional<ProcStat> ReadStat(int dirFd, const char* path)
    {
        const std::optional<std::string> text = ReadProcFile(dirFd, path);
        return text ? ParseProcStat(*text) : std::nullopt;
    }

    struct ThreadScheduling {
        uint32_t policy = 0;
        int32_t nice = 0;
    };

    // Asked of the kernel by thread id: two system calls instead of opening, formatting and
    // parsing the thread's stat, a tenth of the cost. Nothing when the thread has ended.
    std::optional<ThreadScheduling> SchedulingOf(pid_t tid)
    {
        const int policy = ::sched_getscheduler(tid);
        if (policy < 0)
            return std::nullopt;
        errno = 0;
        const int nice = ::getpriority(PRIO_PROCESS, id_t(tid));
        if (nice == -1 && errno != 0)
            return std::nullopt;
        return ThreadScheduling { uint32_t(policy) & ~uint32_t(SCHED_RESET_ON_FORK), nice };
    }
}

bool ReadThreads(uint32_t processId, std::vector<THREADENTRY32>& threads)
{
    const std::string processPath = "/proc/" + std::to_string(processId);
    const UniqueFd processDir(::open(processPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!processDir.Valid())
        return false;
    // The process's own line carries the main thread's policy and nice: the base every thread
    // is measured against, as in the process list.
    const std::optional<ProcStat> process = ReadStat(processDir.Get(), "stat");
    const UniqueFd taskDir(::openat(processDir.Get(), "task", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!process || !taskDir.Valid())
        return false;

    const int32_t base = BasePriority(process->policy, process->nice);
    const std::vector<uint32_t> tids = ListNumericEntries(taskDir.Get());
    threads.reserve(threads.size() + tids.size());
    for (const uint32_t tid : tids) {
        const std::optional<ThreadScheduling> thread = SchedulingOf(pid_t(tid));
        if (!thread)
            continue; // ended meanwhile
        THREADENTRY32 entry;
        entry.th32ThreadID = tid;
        entry.th32OwnerProcessID = processId;
        entry.tpBasePri = base;
        entry.tpDeltaPri
            = ThreadDeltaPriority(process->policy, process->nice, thread->policy, thread->nice);
        threads.push_back(entry);
    }
    return true;
}

} // namespace quorvane
