#include "platform/proc/Priority.h"

#include "platform/proc/ProcStat.h"

#include <algorithm>

namespace quorvane {

bool IsRealTimePolicy(uint32_t policy)
{
    return policy == SCHED_POLICY_FIFO || policy == SCHED_POLICY_RR
        || policy == SCHED_POLICY_DEADLINE;
}

int32_t BasePriority(uint32_t policy, int32_t nice)
{
    if (IsRealTimePolicy(policy))
        return kRealTimeBasePriority;
    if (policy == SCHED_POLICY_IDLE || nice >= kIdleNice)
        return kIdleBasePriority;
    if (nice <= kHighNice)
        return kHighBasePriority;
    if (nice < 0)
        return kAboveNormalBasePriority;
    if (nice == 0)
        return kNormalBasePriority;
    return kBelowNormalBasePriority;
}

int32_t ThreadDeltaPriority(
    uint32_t processPolicy, int32_t processNice, uint32_t threadPolicy, int32_t threadNice)
{
    if (threadPolicy == SCHED_POLICY_IDLE)
        return kIdleThreadDelta;
    if (IsRealTimePolicy(threadPolicy) && !IsRealTimePolicy(processPolicy))
        return kTimeCriticalThreadDelta;
    const int32_t difference
        = BasePriority(threadPolicy, threadNice) - BasePriority(processPolicy, processNice);
    return std::clamp(difference, -2, 2);
}

uint32_t PriorityClassOf(uint32_t policy, int32_t nice)
{
    // The class is the one whose base the pair has; Normal's neighbours are Normal.
    switch (BasePriority(policy, nice)) {
    case kRealTimeBasePriority:
        return REALTIME_PRIORITY_CLASS;
    case kIdleBasePriority:
        return IDLE_PRIORITY_CLASS;
    case kHighBasePriority:
        return HIGH_PRIORITY_CLASS;
    default:
        return NORMAL_PRIORITY_CLASS;
    }
}

} // namespace quorvane
