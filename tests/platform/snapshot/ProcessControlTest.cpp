#include "AnotherUser.h"
#include "LinuxProcessHandle.h"
#include "LinuxSnapshotService.h"
#include "ProcessFreeze.h"
#include "ProcessProbe.h"
#include "StartedChild.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>

using namespace quorvane;
using namespace quorvane::test;
using namespace quorvane::testing;

namespace {

constexpr uint32_t SchedulingAccess = PROCESS_SET_INFORMATION | PROCESS_QUERY_INFORMATION;

std::unique_ptr<LinuxProcessHandle> Open(uint32_t access, pid_t pid)
{
    return LinuxProcessHandle::Open(access, uint32_t(pid), StartTimeOf(pid));
}

// Polls, so that a condition that never comes fails the test instead of hanging it.
bool Within30Seconds(const std::function<bool()>& condition)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(ProcessControl, opensOnlyTheListedProcessAndWaitsForItsEnd)
{
    StartedChild child(3);
    const uint32_t pid = uint32_t(child.Pid());
    LinuxSnapshotService service;
    EXPECT_EQ(service.OpenProcess(PROCESS_TERMINATE, pid), nullptr) << "in no snapshot yet";
    // Another process under the identifier the list saw: one that started at another time.
    EXPECT_EQ(
        LinuxProcessHandle::Open(PROCESS_TERMINATE, pid, StartTimeOf(child.Pid()) - 1), nullptr);

    ASSERT_NE(service.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0), nullptr);
    const auto handle = service.OpenProcess(PROCESS_TERMINATE, pid);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->WaitForSingleObject(0), WAIT_TIMEOUT);
    EXPECT_FALSE(handle->SetPriorityClass(IDLE_PRIORITY_CLASS)) << "not opened for that";
    ASSERT_TRUE(handle->TerminateProcess(uint32_t(-1)));
    EXPECT_EQ(handle->WaitForSingleObject(INFINITE), WAIT_OBJECT_0);
    const int status = child.Process.Finish();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_FALSE(handle->TerminateProcess(uint32_t(-1))) << "reaped: its signals go nowhere";
}

TEST(ProcessControl, aKernelThreadRefusesTermination)
{
    const auto kthreadd = Open(PROCESS_TERMINATE, 2);
    const auto stat = StatAt("/proc/2/stat");
    if (!kthreadd || !stat || !(stat->flags & PF_KTHREAD))
        GTEST_SKIP() << "no kernel thread we may signal here";
    EXPECT_FALSE(kthreadd->TerminateProcess(uint32_t(-1)));
}

TEST(ProcessControl, anotherUserWithoutPrivilegeGetsNoHandle)
{
    StartedChild child(1);
    EXPECT_NE(Open(SchedulingAccess, child.Pid()), nullptr) << "its own user gets one";
    // Neither its user nor holding CAP_SYS_NICE or CAP_KILL, nobody may act on it.
    std::string missing;
    const std::optional<int> granted = RunAsAnotherUser(
        [&] {
            return (Open(SchedulingAccess, child.Pid()) ? 1 : 0)
                + (Open(PROCESS_TERMINATE, child.Pid()) ? 2 : 0);
        },
        &missing);
    if (!granted)
        GTEST_SKIP() << missing;
    EXPECT_EQ(*granted, 0) << "1: scheduling, 2: termination, 3: both";
}

class EveryThread : public ::testing::TestWithParam<std::pair<uint32_t, ThreadState>> { };

TEST_P(EveryThread, takesTheClassAndReadsItBack)
{
    const auto& [priorityClass, expected] = GetParam();
    StartedChild child(8);
    const auto handle = Open(SchedulingAccess, child.Pid());
    ASSERT_NE(handle, nullptr);
    if (!handle->SetPriorityClass(priorityClass))
        GTEST_SKIP() << "this machine refuses the class " << priorityClass << " to us";
    EXPECT_EQ(ThreadStates(child.Pid()), std::vector<ThreadState>(8, expected));
    EXPECT_EQ(handle->GetPriorityClass(), priorityClass);
}

INSTANTIATE_TEST_SUITE_P(ProcessControl, EveryThread,
    ::testing::Values(std::pair(IDLE_PRIORITY_CLASS, ThreadState { SCHED_OTHER, 19 }),
        std::pair(HIGH_PRIORITY_CLASS, ThreadState { SCHED_OTHER, -10 }),
        std::pair(REALTIME_PRIORITY_CLASS, ThreadState { SCHED_RR, 0 }),
        std::pair(NORMAL_PRIORITY_CLASS, ThreadState { SCHED_OTHER, 0 })));

// Normal lowers a thread at nice -5 and raises one at 5. Without privilege the raise is refused,
// and the lowered thread could not be raised back: nothing may have changed.
TEST(ProcessControl, aRefusedClassChangesNoThread)
{
    if (MayRaiseUnprivileged())
        GTEST_SKIP() << "the resource limits here let anyone raise priority";
    StartedChild child(6);
    const std::vector<pid_t> tids = ThreadIds(child.Pid());
    ASSERT_EQ(tids.size(), 6u);
    if (::setpriority(PRIO_PROCESS, id_t(tids[1]), -5) != 0
        || ::setpriority(PRIO_PROCESS, id_t(tids[4]), 5) != 0)
        GTEST_SKIP() << "cannot prepare threads of mixed nice values";
    const std::vector<ThreadState> before = ThreadStates(child.Pid());
    const auto handle = Open(SchedulingAccess, child.Pid());
    ASSERT_NE(handle, nullptr);
    WithoutNiceCapability unprivileged;
    EXPECT_FALSE(handle->SetPriorityClass(NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(ThreadStates(child.Pid()), before);
}

// A process killed while we hold it still must not be kept from its parent afterwards: its
// threads end as zombies that only their tracer can collect.
TEST(ProcessFreeze, aProcessKilledWhileHeldIsReapedByItsParentOnceLetGo)
{
    StartedChild child(4);
    const pid_t pid = child.Pid();
    {
        ProcessFreeze freeze(pid);
        ASSERT_TRUE(freeze.Held());
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        const std::string tasks = "/proc/" + std::to_string(pid) + "/task/";
        EXPECT_TRUE(Within30Seconds([&] {
            const auto tids = ThreadIds(pid);
            return std::all_of(tids.begin(), tids.end(), [&](pid_t tid) {
                const auto stat = StatAt(tasks + std::to_string(tid) + "/stat");
                return !stat || stat->state == 'Z';
            });
        })) << "every thread ends";
    }
    EXPECT_TRUE(Within30Seconds([&] { return ::waitpid(pid, nullptr, WNOHANG) == pid; }));
}

} // namespace
