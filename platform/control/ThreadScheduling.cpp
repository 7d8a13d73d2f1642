#include "platform/control/ThreadScheduling.h"

#include "platform/proc/Priority.h"
#include "platform/proc/ProcFiles.h"

#include <algorithm>
#include <cerrno>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace quorvane {

namespace {
    constexpr int RealTimePriority = 1; // the lowest: above every normal thread, below the kernel's
    constexpr uint64_t ResetOnFork = 0x01; // SCHED_FLAG_RESET_ON_FORK
    // Threads made by changed threads inherit the change, so new ones soon stop appearing; this
    // bounds the walk should a process outrun it.
    constexpr int MaxWalks = 64;

    static_assert(sizeof(ThreadSchedule) == 48, "struct sched_attr, first version");

    bool IsRealTime(uint32_t policy)
    {
        return policy == SCHED_FIFO || policy == SCHED_RR || policy == SCHED_DEADLINE;
    }

    // How much CPU a schedule claims: a higher rank than before needs privilege.
    int Rank(const ThreadSchedule& schedule)
    {
        if (IsRealTime(schedule.Policy))
            return 100 + int(schedule.RtPriority);
        if (schedule.Policy == SCHED_IDLE)
            return -21;
        return -schedule.Nice;
    }

    struct Change {
        pid_t Tid;
        ThreadSchedule Old;
    };

    void Restore(const std::vector<Change>& changed)
    {
        const int error = errno;
        for (auto it = changed.rbegin(); it != changed.rend(); ++it)
            ApplyThreadSchedule(it->Tid, it->Old);
        errno = error;
    }
}

// Direct system calls: glibc 2.36 has no wrappers for these.
std::optional<ThreadSchedule> ReadThreadSchedule(pid_t tid)
{
    ThreadSchedule schedule;
    if (::syscall(SYS_sched_getattr, tid, &schedule, sizeof schedule, 0) != 0)
        return std::nullopt;
    return schedule;
}

bool ApplyThreadSchedule(pid_t tid, const ThreadSchedule& schedule)
{
    ThreadSchedule written = schedule;
    written.Size = sizeof written;
    return ::syscall(SYS_sched_setattr, tid, &written, 0) == 0;
}

namespace {
    ThreadSchedule Schedule(uint32_t policy, int32_t nice, uint32_t rtPriority)
    {
        ThreadSchedule schedule;
        schedule.Policy = policy;
        schedule.Nice = nice;
        schedule.RtPriority = rtPriority;
        return schedule;
    }
}

std::optional<ThreadSchedule> ScheduleOfClass(uint32_t priorityClass)
{
    switch (priorityClass) {
    case IDLE_PRIORITY_CLASS:
        return Schedule(SCHED_OTHER, 19, 0);
    case NORMAL_PRIORITY_CLASS:
        return Schedule(SCHED_OTHER, 0, 0);
    case HIGH_PRIORITY_CLASS:
        return Schedule(SCHED_OTHER, -10, 0);
    case REALTIME_PRIORITY_CLASS:
        return Schedule(SCHED_RR, 0, RealTimePriority);
    default:
        return std::nullopt;
    }
}

bool SetProcessPriorityClass(int taskDir, uint32_t priorityClass)
{
    const std::optional<ThreadSchedule> target = ScheduleOfClass(priorityClass);
    if (!target) {
        errno = EINVAL;
        return false;
    }
    std::unordered_set<uint32_t> seen;
    std::vector<Change> changed;
    for (int walk = 0; walk < MaxWalks; ++walk) {
        std::vector<Change> pending;
        for (const uint32_t tid : ListNumericEntries(taskDir)) {
            if (!seen.insert(tid).second)
                continue;
            if (const std::optional<ThreadSchedule> old = ReadThreadSchedule(pid_t(tid)))
                pending.push_back({ pid_t(tid), *old });
        }
        if (pending.empty())
            return true;
        std::stable_partition(pending.begin(), pending.end(),
            [&](const Change& change) { return Rank(*target) > Rank(change.Old); });
        for (const Change& change : pending) {
            ThreadSchedule wanted = *target;
            wanted.Flags = change.Old.Flags & ResetOnFork;
            if (IsRealTime(wanted.Policy))
                wanted.Nice = change.Old.Nice; // kept for when it leaves real time
            if (ApplyThreadSchedule(change.Tid, wanted)) {
                changed.push_back(change);
            } else if (errno != ESRCH) { // a thread that has ended meanwhile needs nothing
                changed.push_back(change); // it may be changed in part
                Restore(changed);
                return false;
            }
        }
    }
    return true;
}

} // namespace quorvane
