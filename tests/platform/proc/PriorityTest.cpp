#include "platform/proc/Priority.h"
#include "platform/proc/ProcStat.h"

#include <gtest/gtest.h>

using namespace quorvane;

TEST(Priority, basePriorityAndClassFollowPolicyAndNice)
{
    // Policy, nice, base priority, class; the processes the tests start meet nice 0, 3 and 12.
    const std::tuple<uint32_t, int32_t, int32_t, uint32_t> cases[] = {
        { SCHED_POLICY_FIFO, 19, 24, REALTIME_PRIORITY_CLASS },
        { SCHED_POLICY_DEADLINE, 0, 24, REALTIME_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, -5, 13, HIGH_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, -4, 10, NORMAL_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, 1, 6, NORMAL_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, 10, 4, IDLE_PRIORITY_CLASS },
        { SCHED_POLICY_IDLE, -20, 4, IDLE_PRIORITY_CLASS },
    };
    for (const auto& [policy, nice, base, priorityClass] : cases) {
        SCOPED_TRACE(std::to_string(policy) + "/" + std::to_string(nice));
        EXPECT_EQ(BasePriority(policy, nice), base);
        EXPECT_EQ(PriorityClassOf(policy, nice), priorityClass);
    }
}
