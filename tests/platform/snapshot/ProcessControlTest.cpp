#include "ChildProcess.h"
#include "LinuxProcessHandle.h"
#include "LinuxSnapshotService.h"
#include "ProcFiles.h"
#include "ProcStat.h"
#include "ProcessProbe.h"
#include "ToolHelp.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

constexpr uint32_t SchedulingAccess = PROCESS_SET_INFORMATION | PROCESS_QUERY_INFORMATION;

struct Child : ChildProcess {
    explicit Child(int threads, const std::string& program = SNAPSHOT_CHILD,
        std::vector<std::string> arguments = {})
        : ChildProcess(program, Append(arguments, std::to_string(threads)))
    {
        try {
            Ready = ReadLine() == "ready";
        } catch (const std::runtime_error&) {
        }
    }
    static std::vector<std::string> Append(std::vector<std::string>& list, std::string last)
    {
        list.push_back(std::move(last));
        return list;
    }
    std::unique_ptr<LinuxProcessHandle> Open(uint32_t access)
    {
        return LinuxProcessHandle::Open(access, uint32_t(Pid()), StartTimeOf(Pid()));
    }
    bool Ready = false;
};

TEST(ProcessControl, opensOnlyTheListedProcessAndWaitsForItsEnd)
{
    Child child(3);
    LinuxSnapshotService service;
    EXPECT_EQ(service.OpenProcess(PROCESS_TERMINATE, uint32_t(child.Pid())), nullptr)
        << "in no snapshot yet";
    // Another process under the identifier the list saw: one that started at another time.
    EXPECT_EQ(LinuxProcessHandle::Open(
                  PROCESS_TERMINATE, uint32_t(child.Pid()), StartTimeOf(child.Pid()) - 1),
        nullptr);

    ASSERT_NE(service.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0), nullptr);
    const auto handle = service.OpenProcess(PROCESS_TERMINATE, uint32_t(child.Pid()));
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->WaitForSingleObject(0), WAIT_TIMEOUT);
    EXPECT_FALSE(handle->SetPriorityClass(IDLE_PRIORITY_CLASS)) << "not opened for that";
    ASSERT_TRUE(handle->TerminateProcess(uint32_t(-1)));
    EXPECT_EQ(handle->WaitForSingleObject(INFINITE), WAIT_OBJECT_0);
    const int status = child.Finish();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_FALSE(handle->TerminateProcess(uint32_t(-1))) << "reaped: its signals go nowhere";
}

TEST(ProcessControl, aKernelThreadRefusesTermination)
{
    const auto kthreadd = LinuxProcessHandle::Open(PROCESS_TERMINATE, 2, StartTimeOf(2));
    const auto text = ReadProcFile(AT_FDCWD, "/proc/2/stat");
    if (!kthreadd || !text || !(ParseProcStat(*text)->flags & PF_KTHREAD))
        GTEST_SKIP() << "no kernel thread we may signal here";
    EXPECT_FALSE(kthreadd->TerminateProcess(uint32_t(-1)));
}

TEST(ProcessControl, aProcessOfAnotherUserGivesNoHandleWithoutPrivilege)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to start a child as another user";
    Child child(1, "/usr/bin/setpriv",
        { "--reuid=65534", "--regid=65534", "--clear-groups", "--", SNAPSHOT_CHILD });
    if (!child.Ready)
        GTEST_SKIP() << "the child cannot run as nobody here";
    EXPECT_NE(child.Open(SchedulingAccess), nullptr);
    // Neither its user nor holding CAP_SYS_NICE or CAP_KILL, we may not act on it.
    ASSERT_EQ(::setresuid(uid_t(-1), 65533, 0), 0);
    const bool scheduling = child.Open(SchedulingAccess) != nullptr;
    const bool terminate = child.Open(PROCESS_TERMINATE) != nullptr;
    ASSERT_EQ(::setresuid(uid_t(-1), 0, 0), 0);
    EXPECT_FALSE(scheduling);
    EXPECT_FALSE(terminate);
}

class EveryThread : public ::testing::TestWithParam<std::pair<uint32_t, ThreadState>> { };

TEST_P(EveryThread, takesTheClassAndReadsItBack)
{
    const auto& [priorityClass, expected] = GetParam();
    Child child(8);
    const auto handle = child.Open(SchedulingAccess);
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
    Child child(6);
    const std::vector<pid_t> tids = ThreadIds(child.Pid());
    ASSERT_EQ(tids.size(), 6u);
    if (::setpriority(PRIO_PROCESS, id_t(tids[1]), -5) != 0
        || ::setpriority(PRIO_PROCESS, id_t(tids[4]), 5) != 0)
        GTEST_SKIP() << "cannot prepare threads of mixed nice values";
    const std::vector<ThreadState> before = ThreadStates(child.Pid());
    const auto handle = child.Open(SchedulingAccess);
    ASSERT_NE(handle, nullptr);
    WithoutNiceCapability unprivileged;
    EXPECT_FALSE(handle->SetPriorityClass(NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(ThreadStates(child.Pid()), before);
}

} // namespace
