#include "ThreadScheduling.h"

#include "ProcFiles.h"
#include "ToolHelp.h"

#include <algorithm>
#include <cerrno>
#include <sched.h>
#include <sys/resource.h>
#include <unordered_set>
#include <vector>

namespace quorvane {

namespace {
    constexpr int RealTimePriority = 1; // the lowest: above every normal thread, below the kernel's
    // Threads made by changed threads inherit the change, so new ones soon stop appearing; this
    // bounds the walk should a process outrun it.
    constexpr int MaxWalks = 64;

    bool IsRealTime(int policy)
    {
        const int base = policy & ~SCHED_RESET_ON_FORK;
        return base == SCHED_FIFO || base == SCHED_RR || base == SCHED_DEADLINE;
    }

    // How much CPU a schedule claims: a higher rank than before needs privilege.
    int Rank(const ThreadSchedule& schedule)
    {
        if (IsRealTime(schedule.Policy))
            return 100 + schedule.RtPriority;
        if ((schedule.Policy & ~SCHED_RESET_ON_FORK) == SCHED_IDLE)
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

std::optional<ThreadSchedule> ReadThreadSchedule(pid_t tid)
{
    ThreadSchedule schedule;
    schedule.Policy = ::sched_getscheduler(tid);
    sched_param param {};
    if (schedule.Policy < 0 || ::sched_getparam(tid, &param) != 0)
        return std::nullopt;
    schedule.RtPriority = param.sched_priority;
    errno = 0;
    schedule.Nice = ::getpriority(PRIO_PROCESS, id_t(tid));
    if (schedule.Nice == -1 && errno != 0)
        return std::nullopt;
    return schedule;
}

bool ApplyThreadSchedule(pid_t tid, const ThreadSchedule& schedule)
{
    // The nice value first: it holds also while the thread is real-time, and a thread leaving
    // real time then lands on its new nice at once.
    if (!IsRealTime(schedule.Policy) && ::setpriority(PRIO_PROCESS, id_t(tid), schedule.Nice) != 0)
        return false;
    const sched_param param { IsRealTime(schedule.Policy) ? schedule.RtPriority : 0 };
    return ::sched_setscheduler(tid, schedule.Policy, &param) == 0;
}

std::optional<ThreadSchedule> ScheduleOfClass(uint32_t priorityClass)
{
    switch (priorityClass) {
    case IDLE_PRIORITY_CLASS:
        return ThreadSchedule { SCHED_OTHER, 0, 19 };
    case NORMAL_PRIORITY_CLASS:
        return ThreadSchedule { SCHED_OTHER, 0, 0 };
    case HIGH_PRIORITY_CLASS:
        return ThreadSchedule { SCHED_OTHER, 0, -10 };
    case REALTIME_PRIORITY_CLASS:
        return ThreadSchedule { SCHED_RR, RealTimePriority, 0 };
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
            wanted.Policy |= change.Old.Policy & SCHED_RESET_ON_FORK;
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
