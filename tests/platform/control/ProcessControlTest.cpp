#include "ChildProcess.h"
#include "LinuxProcessHandle.h"
#include "LinuxSnapshotService.h"
#include "ProcStat.h"
#include "Scheduling.h"
#include "ToolHelp.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

constexpr uint32_t SchedulingAccess = PROCESS_SET_INFORMATION | PROCESS_QUERY_INFORMATION;

uint64_t StartTimeOf(pid_t pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    return ParseProcStat(text).value().starttime;
}

// A running child of the given thread count.
struct Child {
    explicit Child(int threads)
        : Process(SNAPSHOT_CHILD, { std::to_string(threads) })
    {
        EXPECT_EQ(Process.ReadLine(), "ready");
    }
    pid_t Pid() const { return Process.Pid(); }
    bool Running() const
    {
        siginfo_t info {};
        info.si_pid = 0;
        return ::waitid(P_PID, id_t(Pid()), &info, WEXITED | WNOHANG | WNOWAIT) == 0
            && info.si_pid == 0;
    }
    ChildProcess Process;
};

TEST(ProcessControl, opensOnlyTheProcessTheSnapshotSaw)
{
    Child child(1);
    LinuxSnapshotService service;
    EXPECT_EQ(service.OpenProcess(PROCESS_TERMINATE, uint32_t(child.Pid())), nullptr)
        << "not in any snapshot yet";
    ASSERT_NE(service.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0), nullptr);
    EXPECT_NE(service.OpenProcess(PROCESS_TERMINATE, uint32_t(child.Pid())), nullptr);

    // Another process under the identifier the list saw: started at another time.
    const uint64_t started = StartTimeOf(child.Pid());
    EXPECT_EQ(
        LinuxProcessHandle::Open(PROCESS_TERMINATE, uint32_t(child.Pid()), started + 1), nullptr);
    EXPECT_TRUE(child.Running());
}

TEST(ProcessControl, terminateKillsAndTheWaitEndsWithTheProcess)
{
    Child child(3);
    const auto handle = LinuxProcessHandle::Open(
        PROCESS_TERMINATE, uint32_t(child.Pid()), StartTimeOf(child.Pid()));
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->WaitForSingleObject(0), WAIT_TIMEOUT);
    EXPECT_EQ(handle->SetPriorityClass(IDLE_PRIORITY_CLASS), false) << "not opened for that";
    ASSERT_TRUE(handle->TerminateProcess(uint32_t(-1)));
    EXPECT_EQ(handle->WaitForSingleObject(INFINITE), WAIT_OBJECT_0);
    const int status = child.Process.Finish();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    // Gone and reaped: the handle still names it alone, and its signals go nowhere.
    EXPECT_FALSE(handle->TerminateProcess(uint32_t(-1)));
    EXPECT_EQ(handle->WaitForSingleObject(0), WAIT_OBJECT_0);
}

TEST(ProcessControl, aProcessOfAnotherUserGivesNoHandleWithoutPrivilege)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to start a child as another user";
    ChildProcess child("/usr/bin/setpriv",
        { "--reuid=65534", "--regid=65534", "--clear-groups", "--", SNAPSHOT_CHILD, "1" });
    try {
        ASSERT_EQ(child.ReadLine(), "ready");
    } catch (const std::runtime_error&) {
        GTEST_SKIP() << "the child cannot run as nobody here (its folder is closed to others)";
    }
    const uint64_t started = StartTimeOf(child.Pid());
    EXPECT_NE(LinuxProcessHandle::Open(SchedulingAccess, uint32_t(child.Pid()), started), nullptr);

    // Our effective user is not the child's: only CAP_SYS_NICE and CAP_KILL could let us act.
    if (::setresuid(uid_t(-1), 65533, 0) != 0)
        GTEST_SKIP() << "cannot change the effective user";
    const auto scheduling
        = LinuxProcessHandle::Open(SchedulingAccess, uint32_t(child.Pid()), started);
    const auto terminate
        = LinuxProcessHandle::Open(PROCESS_TERMINATE, uint32_t(child.Pid()), started);
    ASSERT_EQ(::setresuid(uid_t(-1), 0, 0), 0);
    EXPECT_EQ(scheduling, nullptr);
    EXPECT_EQ(terminate, nullptr);
}

struct ClassCase {
    uint32_t PriorityClass;
    ThreadState Expected;
};

class EveryThread : public ::testing::TestWithParam<ClassCase> { };

TEST_P(EveryThread, takesTheClassAndReadsItBack)
{
    const ClassCase& param = GetParam();
    Child child(8);
    const auto handle = LinuxProcessHandle::Open(
        SchedulingAccess, uint32_t(child.Pid()), StartTimeOf(child.Pid()));
    ASSERT_NE(handle, nullptr);
    if (!handle->SetPriorityClass(param.PriorityClass)) {
        ASSERT_EQ(errno, EPERM);
        GTEST_SKIP() << "this machine refuses the class " << param.PriorityClass;
    }
    EXPECT_EQ(ThreadStates(child.Pid()), std::vector<ThreadState>(8, param.Expected));
    EXPECT_EQ(handle->GetPriorityClass(), param.PriorityClass);
}

INSTANTIATE_TEST_SUITE_P(ProcessControl, EveryThread,
    ::testing::Values(ClassCase { IDLE_PRIORITY_CLASS, { SCHED_OTHER, 19 } },
        ClassCase { HIGH_PRIORITY_CLASS, { SCHED_OTHER, -10 } },
        ClassCase { REALTIME_PRIORITY_CLASS, { SCHED_RR, 0 } },
        ClassCase { NORMAL_PRIORITY_CLASS, { SCHED_OTHER, 0 } }));

struct RefusalCase {
    uint32_t PriorityClass;
    bool RealTime;
};

class RefusedClass : public ::testing::TestWithParam<RefusalCase> { };

// Threads at nice -5 and 5: Normal lowers one and raises the other. Without privilege the raise
// is refused, and the lowered thread could not be raised back; so nothing may have changed.
TEST_P(RefusedClass, leavesEveryThreadAsItWas)
{
    const RefusalCase& param = GetParam();
    if (param.RealTime ? MayRunRealTimeUnprivileged() : MayRaiseNiceUnprivileged())
        GTEST_SKIP() << "the resource limits here let anyone raise priority";
    Child child(6);
    const std::vector<pid_t> tids = ThreadIds(child.Pid());
    ASSERT_EQ(tids.size(), 6u);
    // The thread to be lowered comes first in the kernel's order.
    if (::setpriority(PRIO_PROCESS, id_t(tids[1]), -5) != 0
        || ::setpriority(PRIO_PROCESS, id_t(tids[4]), 5) != 0)
        GTEST_SKIP() << "cannot prepare threads of mixed nice values";
    const std::vector<ThreadState> before = ThreadStates(child.Pid());

    const auto handle = LinuxProcessHandle::Open(
        SchedulingAccess, uint32_t(child.Pid()), StartTimeOf(child.Pid()));
    ASSERT_NE(handle, nullptr);
    WithoutNiceCapability unprivileged;
    EXPECT_FALSE(handle->SetPriorityClass(param.PriorityClass));
    EXPECT_EQ(ThreadStates(child.Pid()), before);
}

INSTANTIATE_TEST_SUITE_P(ProcessControl, RefusedClass,
    ::testing::Values(RefusalCase { HIGH_PRIORITY_CLASS, false },
        RefusalCase { NORMAL_PRIORITY_CLASS, false },
        RefusalCase { REALTIME_PRIORITY_CLASS, true }));

} // namespace
