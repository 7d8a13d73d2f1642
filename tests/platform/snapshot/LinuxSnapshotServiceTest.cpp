#include "platform/snapshot/LinuxSnapshotService.h"
#include "platform/control/LinuxProcessHandle.h"
#include "platform/proc/ExecutableType.h"
#include "platform/proc/ProcStat.h"
#include "platform/snapshot/GlobalUsageIndex.h"
#include "platform/snapshot/ModuleListBuilder.h"
#include "platform/snapshot/ProcessTable.h"
#include "tests/support/AnotherUser.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ProcessProbe.h"
#include "tests/support/StartedChild.h"

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>

using namespace quorvane;
using namespace quorvane::testing;

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

std::optional<PROCESSENTRY32> Find(const std::vector<PROCESSENTRY32>& records, pid_t pid)
{
    for (const PROCESSENTRY32& record : records)
        if (record.th32ProcessID == uint32_t(pid))
            return record;
    return std::nullopt;
}

std::string TypeOf(SnapshotService& service, pid_t pid)
{
    const auto record = Find(Walk(service), pid);
    return record ? ExecutableTypeText(service.ExecutableTypeOf(*record)) : "not listed";
}

constexpr uint32_t SchedulingAccess = PROCESS_SET_INFORMATION | PROCESS_QUERY_INFORMATION;

std::unique_ptr<LinuxProcessHandle> Open(uint32_t access, pid_t pid)
{
    return LinuxProcessHandle::Open(access, uint32_t(pid), StartTimeOf(pid));
}

// Owner, base and delta of each thread a walk lists.
std::map<pid_t, std::tuple<uint32_t, int32_t, int32_t>> Threads(ToolhelpSnapshot& snapshot)
{
    std::map<pid_t, std::tuple<uint32_t, int32_t, int32_t>> threads;
    THREADENTRY32 thread;
    for (bool more = snapshot.Thread32First(thread); more; more = snapshot.Thread32Next(thread))
        threads[pid_t(thread.th32ThreadID)]
            = { thread.th32OwnerProcessID, thread.tpBasePri, thread.tpDeltaPri };
    return threads;
}

// Counted independently of the parser: the lines of maps that end in the path.
uint32_t MapsLinesOf(pid_t pid, const std::string& path)
{
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    uint32_t lines = 0;
    for (std::string line; std::getline(maps, line);)
        lines += line.ends_with(path);
    return lines;
}

// Children of ours that wait to be killed, and are when this goes.
struct Sleepers {
    std::vector<pid_t> pids;
    explicit Sleepers(size_t count)
    {
        while (pids.size() < count) {
            const pid_t sleeper = fork();
            if (sleeper == 0) {
                pause();
                _exit(0);
            }
            if (sleeper < 0)
                return;
            pids.push_back(sleeper);
        }
    }
    ~Sleepers()
    {
        for (const pid_t sleeper : pids) {
            kill(sleeper, SIGKILL);
            waitpid(sleeper, nullptr, 0);
        }
    }
};

} // namespace

// A real name may end as the kernel marks a deleted executable; deleted, the kernel's mark
// follows it, and the running image still tells its type.
TEST(ProcessSnapshot, listsAStartedChildWithItsParentThreadsPathTypeAndPriorityOfTheMoment)
{
    StartedChild child(4, "odd\nname \xfe\xff (ünïcode) ) (deleted)");
    std::filesystem::remove(child.Path);
    LinuxSnapshotService service;
    const auto record = Find(Walk(service), child.Pid());
    ASSERT_TRUE(record);
    EXPECT_EQ(std::tuple(record->th32ParentProcessID, record->cntThreads, record->szExeFile,
                  record->startTime, ExecutableTypeText(service.ExecutableTypeOf(*record))),
        std::tuple(
            uint32_t(getpid()), 4u, child.Path + " (deleted)", StartTimeOf(child.Pid()), "64-Bit"));
    if (!RunsAtNiceZero())
        GTEST_SKIP() << "the tests run at a nice value other than Normal's 0";
    EXPECT_EQ(record->pcPriClassBase, 8);
    ASSERT_EQ(setpriority(PRIO_PROCESS, id_t(child.Pid()), 12), 0);
    EXPECT_EQ(Find(Walk(service), child.Pid())->pcPriClassBase, 4) << "at nice 12";
}

// The first snapshot, read ahead while the program starts, is the next one taken: it lists what
// ran when it was read, with the executables' types, and the one after it is read afresh.
TEST(ProcessSnapshot, aPrefetchedSnapshotIsTheNextOneTakenAndTheOneAfterIsReadAfresh)
{
    StartedChild early(1);
    LinuxSnapshotService service;
    service.PrefetchProcesses();
    service.Processes(); // waits for the reading to end
    StartedChild late(1);
    const auto prefetched = Walk(service);
    const auto record = Find(prefetched, early.Pid());
    ASSERT_TRUE(record);
    EXPECT_EQ(std::pair(record->szExeFile, ExecutableTypeText(service.ExecutableTypeOf(*record))),
        std::pair(early.Path, std::string("64-Bit")));
    EXPECT_FALSE(Find(prefetched, late.Pid()));
    EXPECT_TRUE(Find(Walk(service), late.Pid()));
}

TEST(ProcessSnapshot, namesKernelThreadsInBracketsAndMayNotEndThem)
{
    const auto kthreadd = StatAt("/proc/2/stat");
    if (!kthreadd || !(kthreadd->flags & PF_KTHREAD))
        GTEST_SKIP() << "no kernel thread visible here";
    LinuxSnapshotService service;
    const auto record = Find(Walk(service), 2);
    ASSERT_TRUE(record);
    EXPECT_EQ(std::tuple(record->szExeFile, record->th32ParentProcessID),
        std::tuple("[" + kthreadd->comm + "]", 0u));
    const auto handle = Open(PROCESS_TERMINATE, 2);
    if (!handle)
        GTEST_SKIP() << "no kernel thread we may signal here";
    EXPECT_FALSE(handle->TerminateProcess(uint32_t(-1)));
}

// A child that has become another user may not read the link of us, its parent, nor act on us.
TEST(ProcessSnapshot, anotherUserSeesUsInBracketsAndGetsNoHandle)
{
    const pid_t parent = getpid();
    const std::string name = "[" + StatAt("/proc/self/stat")->comm + "]";
    EXPECT_NE(Open(SchedulingAccess | PROCESS_TERMINATE, parent), nullptr) << "our user gets one";
    std::string missing;
    const std::optional<int> seen = RunAsAnotherUser(
        [&] {
            LinuxSnapshotService service;
            const auto record = Find(Walk(service), parent);
            if (!record || record->szExeFile != name || record->cntThreads == 0)
                return 1;
            return (service.ExecutableTypeOf(*record) == 0 ? 0 : 2)
                + (Open(SchedulingAccess, parent) ? 4 : 0)
                + (Open(PROCESS_TERMINATE, parent) ? 8 : 0);
        },
        &missing);
    if (!seen)
        GTEST_SKIP() << missing;
    EXPECT_EQ(*seen, 0) << "1: listed wrong, 2: typed, 4: scheduling, 8: termination";
}

// First under the same name, then (where this machine runs one) into a 32-bit program.
TEST(ProcessSnapshot, followsAnExecToTheNewExecutableAndItsType)
{
    StartedChild child(2, "a/worker");
    const std::string sameName = child.Copy(SNAPSHOT_CHILD, "b/worker");
    LinuxSnapshotService service;
    EXPECT_EQ(TypeOf(service, child.Pid()), "64-Bit");
    child.Process.Send("exec " + sameName);
    ASSERT_EQ(child.Process.ReadLine(), "ready");
    const auto record = Find(Walk(service), child.Pid());
    EXPECT_EQ(std::tuple(record->szExeFile, record->cntThreads), std::tuple(sameName, 2u));
#ifndef SNAPSHOT_SLEEPER32
    GTEST_SKIP() << "the toolchain here makes no 32-bit program";
#else
    const std::string sleeper = child.Copy(SNAPSHOT_SLEEPER32, "sleeper 32");
    child.Process.Send("exec " + sleeper);
    const std::string reply = child.Process.ReadLine();
    if (reply == std::string("exec failed: ") + std::strerror(ENOEXEC))
        GTEST_SKIP() << "the kernel here refuses 32-bit programs";
    ASSERT_EQ(reply, "ready");
    EXPECT_EQ(Find(Walk(service), child.Pid())->szExeFile, sleeper);
    EXPECT_EQ(TypeOf(service, child.Pid()), "32-Bit");
#endif
}

TEST(ProcessSnapshot, listsEveryProcessOnceInOrderWhileOthersEndAndKeepsNothingOfThem)
{
    // Short-lived children come and go while snapshots run: each walk is in /proc order, every
    // record is whole, and those of our children name the child's program (or ours, before the
    // exec).
    const std::string us = std::filesystem::read_symlink("/proc/self/exe");
    // Enough processes that the kept files are read again on two threads.
    LinuxSnapshotService service;
    const size_t listed = Walk(service).size();
    const size_t wanted = ProcessTable::ParallelRereadFrom + 64;
    auto sleepers = std::make_unique<Sleepers>(listed < wanted ? wanted - listed : 0);
    std::atomic<bool> stop = false;
    std::thread churn([&] {
        while (!stop)
            ChildProcess(SNAPSHOT_CHILD, { "1" }); // killed and reaped at once
    });
    for (int round = 0; round < 20; ++round) {
        const auto records = Walk(service);
        EXPECT_EQ(Find(records, getpid())->szExeFile, us);
        for (size_t i = 0; i < records.size(); ++i) {
            const PROCESSENTRY32& record = records[i];
            ASSERT_FALSE(record.szExeFile.empty());
            EXPECT_TRUE(i == 0 || records[i - 1].th32ProcessID < record.th32ProcessID);
            if (record.th32ParentProcessID == uint32_t(getpid()) && record.szExeFile != "[?]") {
                EXPECT_TRUE(record.szExeFile == SNAPSHOT_CHILD || record.szExeFile == us
                    || record.szExeFile.starts_with('['))
                    << record.szExeFile;
            }
        }
    }
    stop = true;
    churn.join();
    sleepers.reset();
    // Of those ended, and of a zombie (which no longer runs), nothing is listed or kept. Other
    // processes of the machine come and go meanwhile: compare with the walk's own records.
    const pid_t zombie = fork();
    if (zombie == 0)
        _exit(0);
    siginfo_t ended {};
    ASSERT_EQ(waitid(P_PID, id_t(zombie), &ended, WEXITED | WNOWAIT), 0);
    const auto records = Walk(service);
    waitpid(zombie, nullptr, 0);
    EXPECT_FALSE(Find(records, zombie));
    EXPECT_EQ(service.Processes().KnownProcesses(), records.size());
    EXPECT_LE(service.Processes().KeptDescriptors(), records.size());
}

// Kept descriptors live high up, out of the range select() can watch, and at most as many as the
// limit leaves above their base; past that, and when someone else takes every descriptor left,
// each process is still listed.
TEST(ProcessSnapshot, keepsDescriptorsHighAndListsEveryProcessPastTheirBudget)
{
    constexpr size_t budget = 20;
    const Sleepers sleepers(2 * budget);
    // In a child of ours, so the lowered limit stays there.
    const pid_t pid = fork();
    if (pid == 0) {
        const rlim_t most = rlim_t(ProcessTable::KeptDescriptorBase) + budget;
        const rlimit limit { most, most };
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
            _exit(2);
        const std::string us = std::filesystem::read_symlink("/proc/self/exe");
        const auto listsAll = [&](const std::vector<PROCESSENTRY32>& records) {
            return std::all_of(sleepers.pids.begin(), sleepers.pids.end(), [&](pid_t sleeper) {
                const auto record = Find(records, sleeper);
                return record && record->szExeFile == us;
            });
        };
        LinuxSnapshotService service;
        if (!listsAll(Walk(service)) || service.Processes().KeptDescriptors() != budget)
            _exit(3);
        size_t high = 0;
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd"))
            high += std::stoi(fd.path().filename()) >= ProcessTable::KeptDescriptorBase;
        const int next = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (high != budget || next < 0 || next >= 1024)
            _exit(4);
        // Now someone else takes every descriptor left: the walk gives up what it kept and still
        // reads each process.
        while (open("/dev/null", O_RDONLY) >= 0) { }
        _exit(listsAll(Walk(service)) ? 0 : 5);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(ThreadWalk, listsEveryThreadWithTheProcessBaseAndEachThreadsDelta)
{
    StartedChild child(7);
    std::vector<pid_t> tids = ThreadIds(child.Pid());
    std::erase(tids, child.Pid());
    ASSERT_EQ(tids.size(), 6u);
    // The process at nice 3 (base 6); one worker lowered to nice 12, one moved to SCHED_IDLE.
    tids.insert(tids.begin(), child.Pid());
    for (const pid_t tid : tids)
        ASSERT_EQ(setpriority(PRIO_PROCESS, id_t(tid), tid == tids[1] ? 12 : 3), 0);
    const sched_param idle {};
    ASSERT_EQ(sched_setscheduler(tids[2], SCHED_IDLE, &idle), 0);
    const int32_t deltas[] = { 0, -2, -15, 0, 0, 0, 0 };
    std::map<pid_t, std::tuple<uint32_t, int32_t, int32_t>> expected;
    for (size_t i = 0; i < tids.size(); ++i)
        expected[tids[i]] = { uint32_t(child.Pid()), 6, deltas[i] };

    LinuxSnapshotService service;
    const auto snapshot
        = service.CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, uint32_t(child.Pid()));
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(Threads(*snapshot), expected);
}

TEST(ProcessControl, opensOnlyTheListedProcessAndWaitsForItsEnd)
{
    StartedChild child(3);
    const uint32_t pid = uint32_t(child.Pid());
    LinuxSnapshotService service;
    EXPECT_EQ(service.OpenProcess(PROCESS_TERMINATE, pid), nullptr) << "in no snapshot yet";

    ASSERT_NE(service.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0), nullptr);
    const auto handle = service.OpenProcess(PROCESS_TERMINATE, pid);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->WaitForSingleObject(0), WAIT_TIMEOUT);
    ASSERT_TRUE(handle->TerminateProcess(uint32_t(-1)));
    EXPECT_EQ(handle->WaitForSingleObject(INFINITE), WAIT_OBJECT_0);
    child.Process.Finish();
    EXPECT_FALSE(handle->TerminateProcess(uint32_t(-1))) << "reaped: its signals go nowhere";
    EXPECT_EQ(service.CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, pid), nullptr) << "no threads";
}

TEST(ModuleWalk, listsEachLibraryWithItsExtentAndOneIdWhoseUsageFollowsTheProcesses)
{
    std::atomic<int> calls = 0; // outlives the service, whose index may still call
    LinuxSnapshotService service;
    service.SetOnModuleUsageChanged([&] { ++calls; });
    // The module of path in pid's walk, with the counts the index has caught up to.
    const auto find = [&](pid_t pid, const std::string& path) {
        service.Modules().Usage().Synchronize();
        const auto snapshot = service.CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, uint32_t(pid));
        MODULEENTRY32 module;
        for (bool more = snapshot && snapshot->Module32First(module); more;
             more = snapshot->Module32Next(module)) {
            if (module.szExePath == path)
                return module;
        }
        ADD_FAILURE() << path << " is not listed";
        return MODULEENTRY32 {};
    };
    const std::string probe = std::filesystem::canonical(PROBE_ONE);
    StartedChild first(1);
    first.Process.Send("open " + probe);
    ASSERT_EQ(first.Process.ReadLine(), "ok");
    const MODULEENTRY32 found = find(first.Pid(), probe);
    EXPECT_EQ(std::tuple(found.szModule, found.th32ProcessID, found.hModule,
                  found.modBaseSize % 4096, found.ProccntUsage, found.GlblcntUsage),
        std::tuple("libquorvane_probe_one.so", uint32_t(first.Pid()), found.modBaseAddr, 0u,
            MapsLinesOf(first.Pid(), probe), 1u));
    EXPECT_NE(found.th32ModuleID, 0u);
    {
        // A process that appears changes the counts of what it maps, and says so.
        const int before = calls;
        StartedChild second(1);
        second.Process.Send("open " + probe);
        ASSERT_EQ(second.Process.ReadLine(), "ok");
        const MODULEENTRY32 inSecond = find(second.Pid(), probe);
        EXPECT_TRUE(Within30Seconds([&] { return calls > before; }));
        EXPECT_EQ(std::pair(inSecond.GlblcntUsage, inSecond.th32ModuleID),
            std::pair(2u, found.th32ModuleID));
        EXPECT_EQ(service.ModuleGlobalUsage(found.th32ModuleID), 2u);
    }
    EXPECT_EQ(find(first.Pid(), probe).GlblcntUsage, 1u);
}
