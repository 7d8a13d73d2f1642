#include "AnotherUser.h"
#include "ExecutableType.h"
#include "ExecutableTypeCache.h"
#include "LinuxSnapshotService.h"
#include "ProcStat.h"
#include "ProcessProbe.h"
#include "ProcessTable.h"
#include "StartedChild.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <optional>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>

using namespace quorvane;
using quorvane::test::StartedChild;

namespace {

std::vector<PROCESSENTRY32> Walk(SnapshotService& service)
{
    std::vector<PROCESSENTRY32> records;
    auto snapshot = service.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 record;
    for (bool more = snapshot && snapshot->Process32First(record); more;
         more = snapshot->Process32Next(record))
        records.push_back(record);
    return records;
}

std::optional<PROCESSENTRY32> Find(SnapshotService& service, pid_t pid)
{
    for (const PROCESSENTRY32& record : Walk(service))
        if (record.th32ProcessID == uint32_t(pid))
            return record;
    return std::nullopt;
}

std::optional<ProcStat> StatOf(pid_t pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return ParseProcStat(text);
}

std::string OurPath()
{
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

std::vector<THREADENTRY32> Threads(ToolhelpSnapshot& snapshot)
{
    std::vector<THREADENTRY32> threads;
    THREADENTRY32 thread;
    for (bool more = snapshot.Thread32First(thread); more; more = snapshot.Thread32Next(thread))
        threads.push_back(thread);
    return threads;
}

} // namespace

TEST(ProcessSnapshot, listsAStartedChildWithItsParentThreadsPathAndPriorityOfTheMoment)
{
    StartedChild child(4, "odd\nname \xfe\xff (ünïcode) ) (");
    LinuxSnapshotService service;
    const auto record = Find(service, child.Pid());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->th32ParentProcessID, uint32_t(getpid()));
    EXPECT_EQ(record->cntThreads, 4u);
    EXPECT_EQ(record->szExeFile, child.Path);
    EXPECT_EQ(record->startTime, StatOf(child.Pid())->starttime);
    EXPECT_EQ(ExecutableTypeText(service.ExecutableTypeOf(*record)), "64-Bit");
    const std::pair<int, int32_t> niceToBase[] = { { 0, 8 }, { 5, 6 }, { 12, 4 } };
    for (const auto& [nice, base] : niceToBase) {
        ASSERT_EQ(setpriority(PRIO_PROCESS, id_t(child.Pid()), nice), 0);
        EXPECT_EQ(Find(service, child.Pid())->pcPriClassBase, base) << "nice " << nice;
    }
}

TEST(ProcessSnapshot, listsEveryProcessOnceInProcOrderWithOurselvesIncluded)
{
    LinuxSnapshotService service;
    const auto records = Walk(service);
    ASSERT_FALSE(records.empty());
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_FALSE(records[i].szExeFile.empty());
        EXPECT_TRUE(i == 0 || records[i - 1].th32ProcessID < records[i].th32ProcessID) << i;
    }
    EXPECT_EQ(Find(service, getpid())->szExeFile, OurPath());
}

TEST(ProcessSnapshot, namesKernelThreadsInBrackets)
{
    const auto kthreadd = StatOf(2);
    if (!kthreadd || !(kthreadd->flags & PF_KTHREAD))
        GTEST_SKIP() << "no kernel thread visible here";
    LinuxSnapshotService service;
    const auto record = Find(service, 2);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->szExeFile, "[" + kthreadd->comm + "]");
    EXPECT_EQ(record->th32ParentProcessID, 0u);
}

TEST(ProcessSnapshot, namesAProcessWhoseExecutableItMayNotReadInBrackets)
{
    // A child that has become another user may not read the link of us, its parent.
    const pid_t parent = getpid();
    const std::string name = StatOf(parent)->comm;
    std::string missing;
    const std::optional<int> seen = quorvane::testing::RunAsAnotherUser(
        [&] {
            LinuxSnapshotService service;
            const auto record = Find(service, parent);
            if (!record || record->szExeFile != "[" + name + "]" || record->cntThreads == 0)
                return 3;
            return service.ExecutableTypeOf(*record) == 0 ? 0 : 4;
        },
        &missing);
    if (!seen)
        GTEST_SKIP() << missing;
    EXPECT_EQ(*seen, 0);
}

TEST(ProcessSnapshot, showsADeletedExecutableAsTheKernelNamesItAndARealNameAsItIs)
{
    StartedChild deleted(1, "soon gone");
    StartedChild named(1, "really (deleted)");
    std::filesystem::remove(deleted.Path);

    LinuxSnapshotService service;
    const auto record = Find(service, deleted.Pid());
    EXPECT_EQ(record->szExeFile, deleted.Path + " (deleted)");
    EXPECT_EQ(Find(service, named.Pid())->szExeFile, named.Path);
    // The running image still tells its type; no file of that name does.
    EXPECT_EQ(ExecutableTypeText(service.ExecutableTypeOf(*record)), "64-Bit");
    EXPECT_EQ(ExecutableTypeCache().TextOf(record->szExeFile), "");
    // A record the service did not deliver is read from its path.
    PROCESSENTRY32 made;
    made.szExeFile = named.Path;
    EXPECT_EQ(ExecutableTypeText(service.ExecutableTypeOf(made)), "64-Bit");
    made.szExeFile = deleted.Path;
    EXPECT_EQ(service.ExecutableTypeOf(made), 0u);
}

TEST(ProcessSnapshot, followsAnExecToTheNewExecutableEvenUnderTheSameName)
{
    StartedChild child(2, "a/worker");
    const std::string sameName = child.Copy(SNAPSHOT_CHILD, "b/worker");
    LinuxSnapshotService service;
    EXPECT_EQ(Find(service, child.Pid())->szExeFile, child.Path);

    child.Process.Send("exec " + sameName);
    ASSERT_EQ(child.Process.ReadLine(), "ready");
    const auto record = Find(service, child.Pid());
    EXPECT_EQ(record->szExeFile, sameName);
    EXPECT_EQ(record->cntThreads, 2u);
}

TEST(ProcessSnapshot, typeFollowsAnExecFrom64To32Bit)
{
#ifndef SNAPSHOT_SLEEPER32
    GTEST_SKIP() << "the toolchain here makes no 32-bit program";
#else
    StartedChild child(3, "grows smaller");
    const std::string sleeper = child.Copy(SNAPSHOT_SLEEPER32, "sleeper 32");
    LinuxSnapshotService service;
    EXPECT_EQ(ExecutableTypeText(service.ExecutableTypeOf(*Find(service, child.Pid()))), "64-Bit");

    child.Process.Send("exec " + sleeper);
    const std::string reply = child.Process.ReadLine();
    if (reply == std::string("exec failed: ") + std::strerror(ENOEXEC))
        GTEST_SKIP() << "the kernel here refuses 32-bit programs";
    ASSERT_EQ(reply, "ready");
    const auto record = Find(service, child.Pid());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->szExeFile, sleeper);
    EXPECT_EQ(record->cntThreads, 1u);
    EXPECT_EQ(ExecutableTypeText(service.ExecutableTypeOf(*record)), "32-Bit");
    EXPECT_EQ(ExecutableTypeCache().TextOf(sleeper), "32-Bit");
#endif
}

TEST(ProcessSnapshot, keepsNothingForProcessesThatEndedOrAreZombies)
{
    // Other processes of the machine come and go meanwhile: compare with each walk's own records.
    LinuxSnapshotService service;
    Walk(service);
    {
        StartedChild first(1);
        StartedChild second(1);
        const pid_t zombie = fork();
        if (zombie == 0)
            _exit(0);
        siginfo_t ended {};
        ASSERT_EQ(waitid(P_PID, id_t(zombie), &ended, WEXITED | WNOWAIT), 0);
        const auto during = Walk(service);
        waitpid(zombie, nullptr, 0);
        const auto listed = [&](pid_t pid) {
            return std::any_of(during.begin(), during.end(), [pid](const PROCESSENTRY32& record) {
                return record.th32ProcessID == uint32_t(pid);
            });
        };
        EXPECT_TRUE(listed(first.Pid()) && listed(second.Pid()));
        EXPECT_FALSE(listed(zombie)) << "a zombie no longer runs";
        EXPECT_EQ(service.Processes().KnownProcesses(), during.size());
        EXPECT_EQ(service.Processes().KeptDescriptors(), during.size());
    }
    const auto records = Walk(service);
    EXPECT_EQ(service.Processes().KnownProcesses(), records.size());
    EXPECT_EQ(service.Processes().KeptDescriptors(), records.size());
}

TEST(ProcessSnapshot, skipsProcessesThatEndWhileSnapshotsAreTaken)
{
    // Short-lived children come and go while snapshots run: every record that is delivered is
    // whole, and those of our children name the child's program (or ours, before the exec).
    const std::string program = SNAPSHOT_CHILD;
    std::atomic<bool> stop = false;
    std::thread churn([&] {
        while (!stop) {
            const pid_t pid = fork();
            if (pid == 0) {
                const int null = open("/dev/null", O_RDWR);
                dup2(null, STDIN_FILENO);
                dup2(null, STDOUT_FILENO);
                execl(program.c_str(), program.c_str(), "1", static_cast<char*>(nullptr));
                _exit(1);
            }
            waitpid(pid, nullptr, 0); // it exits at once: its input is empty
        }
    });
    LinuxSnapshotService service;
    for (int round = 0; round < 20; ++round) {
        for (const PROCESSENTRY32& record : Walk(service)) {
            ASSERT_FALSE(record.szExeFile.empty());
            if (record.th32ParentProcessID == uint32_t(getpid()) && record.szExeFile != "[?]") {
                EXPECT_TRUE(record.szExeFile == program || record.szExeFile == OurPath()
                    || record.szExeFile.starts_with('['))
                    << record.szExeFile;
            }
        }
    }
    stop = true;
    churn.join();
}

TEST(ProcessSnapshot, listsEveryProcessWhenDescriptorsRunShort)
{
    // In a child of ours, so the lowered limit stays there.
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit limit { 300, 300 };
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
            _exit(2);
        LinuxSnapshotService service;
        if (Walk(service).empty() || service.Processes().KeptDescriptors() > 300 - 256
            || service.Processes().KeptDescriptors() == 0)
            _exit(3);
        // Now someone else takes every descriptor left: the walk gives up what it kept and still
        // reads each process.
        while (open("/dev/null", O_RDONLY) >= 0) { }
        const auto records = Walk(service);
        _exit(std::any_of(records.begin(), records.end(),
                  [](const PROCESSENTRY32& record) {
                      return record.th32ProcessID == uint32_t(getpid())
                          && record.szExeFile[0] == '/';
                  })
                ? 0
                : 4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(ThreadWalk, listsEveryThreadOfAChildWithTheProcessBaseAndEachThreadsDelta)
{
    StartedChild child(7);
    std::vector<pid_t> tids = quorvane::testing::ThreadIds(child.Pid());
    std::erase(tids, child.Pid());
    ASSERT_EQ(tids.size(), 6u);
    // The process at nice 3 (base 6); one worker lowered to nice 12, one moved to SCHED_IDLE.
    tids.insert(tids.begin(), child.Pid());
    for (const pid_t tid : tids)
        ASSERT_EQ(setpriority(PRIO_PROCESS, id_t(tid), tid == tids[1] ? 12 : 3), 0);
    const sched_param idle {};
    ASSERT_EQ(sched_setscheduler(tids[2], SCHED_IDLE, &idle), 0);

    LinuxSnapshotService service;
    const auto snapshot
        = service.CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, uint32_t(child.Pid()));
    ASSERT_TRUE(snapshot);
    std::map<pid_t, int32_t> deltas;
    for (const THREADENTRY32& thread : Threads(*snapshot)) {
        EXPECT_EQ(thread.th32OwnerProcessID, uint32_t(child.Pid()));
        EXPECT_EQ(thread.tpBasePri, 6) << thread.th32ThreadID;
        deltas[pid_t(thread.th32ThreadID)] = thread.tpDeltaPri;
    }
    std::map<pid_t, int32_t> expected;
    for (const pid_t tid : tids)
        expected[tid] = tid == tids[1] ? -2 : tid == tids[2] ? -15 : 0;
    EXPECT_EQ(deltas, expected);
}

TEST(ThreadWalk, firstStartsOverAndAnEndedProcessHasNoSnapshot)
{
    LinuxSnapshotService service;
    auto child = std::make_unique<StartedChild>(3);
    const uint32_t pid = uint32_t(child->Pid());
    const auto snapshot = service.CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, pid);
    ASSERT_TRUE(snapshot);
    const std::vector<THREADENTRY32> once = Threads(*snapshot);
    const std::vector<THREADENTRY32> twice = Threads(*snapshot);
    ASSERT_EQ(once.size(), 3u);
    ASSERT_EQ(twice.size(), 3u);
    EXPECT_EQ(once.front().th32ThreadID, twice.front().th32ThreadID);
    MODULEENTRY32 module;
    EXPECT_FALSE(snapshot->Module32First(module)) << "a thread snapshot answers no other walk";
    child.reset();
    EXPECT_EQ(service.CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, pid), nullptr);
}
