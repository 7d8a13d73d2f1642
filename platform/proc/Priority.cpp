#include "Priority.h"

#include "ProcStat.h"
#include "ToolHelp.h"

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
        return 24;
    if (policy == SCHED_POLICY_IDLE || nice >= 10)
        return 4;
    if (nice <= -5)
        return 13;
    if (nice < 0)
        return 10;
    if (nice == 0)
        return 8;
    return 6;
}

int32_t ThreadDeltaPriority(
    uint32_t processPolicy, int32_t processNice, uint32_t threadPolicy, int32_t threadNice)
{
    if (threadPolicy == SCHED_POLICY_IDLE)
        return -15;
    if (IsRealTimePolicy(threadPolicy) && !IsRealTimePolicy(processPolicy))
        return 15;
    const int32_t difference
        = BasePriority(threadPolicy, threadNice) - BasePriority(processPolicy, processNice);
    return std::clamp(difference, -2, 2);
}

uint32_t PriorityClassOf(uint32_t policy, int32_t nice)
{
    if (IsRealTimePolicy(policy))
        return REALTIME_PRIORITY_CLASS;
    if (policy == SCHED_POLICY_IDLE || nice >= 10)
        return IDLE_PRIORITY_CLASS;
    if (nice <= -5)
        return HIGH_PRIORITY_CLASS;
    return NORMAL_PRIORITY_CLASS;
}

} // namespace quorvane
