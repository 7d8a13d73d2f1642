// Process control on real children: the class every thread of a process takes.
#include "platform/control/LinuxProcessHandle.h"
#include "platform/proc/Priority.h"
#include "tests/support/ProcessProbe.h"
#include "tests/support/StartedChild.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace quorvane;
using namespace quorvane::testing;

TEST(LinuxProcessHandle, everyThreadTakesTheClassOrNoneWhenItIsRefused)
{
    if (!RunsAtNiceZero())
        GTEST_SKIP() << "the tests run at a nice value other than Normal's 0";
    const std::pair<uint32_t, ThreadState> cases[] = {
        { REALTIME_PRIORITY_CLASS, { SCHED_RR, 0 } },
        { HIGH_PRIORITY_CLASS, { SCHED_OTHER, -10 } },
        { NORMAL_PRIORITY_CLASS, { SCHED_OTHER, 0 } },
    };
    StartedChild child(6);
    const auto handle
        = LinuxProcessHandle::Open(PROCESS_SET_INFORMATION | PROCESS_QUERY_INFORMATION,
            uint32_t(child.Pid()), StartTimeOf(child.Pid()));
    ASSERT_NE(handle, nullptr);
    std::string refused;
    for (const auto& [priorityClass, expected] : cases) {
        if (!handle->SetPriorityClass(priorityClass)) {
            refused += " class " + std::to_string(priorityClass);
            continue;
        }
        EXPECT_EQ(ThreadStates(child.Pid()), std::vector<ThreadState>(6, expected));
        EXPECT_EQ(handle->GetPriorityClass(), priorityClass);
    }
    // Normal lowers a thread at nice -5 and raises one at 5. Without privilege the raise is
    // refused, and the lowered thread could not be raised back: nothing may have changed.
    const std::vector<pid_t> tids = ThreadIds(child.Pid());
    ASSERT_EQ(tids.size(), 6u);
    if (MayRaiseUnprivileged() || ::setpriority(PRIO_PROCESS, id_t(tids[1]), -5) != 0
        || ::setpriority(PRIO_PROCESS, id_t(tids[4]), 5) != 0) {
        refused += " a refusal (anyone may raise priority, or no mixed nice values)";
    } else {
        const std::vector<ThreadState> before = ThreadStates(child.Pid());
        WithoutNiceCapability unprivileged;
        EXPECT_FALSE(handle->SetPriorityClass(NORMAL_PRIORITY_CLASS));
        EXPECT_EQ(ThreadStates(child.Pid()), before);
    }
    if (!refused.empty())
        GTEST_SKIP() << "this machine gives no" << refused;
}
