#include "AnotherUser.h"
#include "ChildProcess.h"
#include "ExecutableType.h"
#include "ExecutableTypeCache.h"
#include "LinuxSnapshotService.h"
#include "ProcStat.h"
#include "ProcessTable.h"
#include "TempDir.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace quorvane;
using quorvane::test::TempDir;
using quorvane::testing::ChildProcess;
using quorvane::testing::RunAsAnotherUser;

namespace {

std::vector<PROCESSENTRY32> Walk(SnapshotService& service)
{
    std::vector<PROCESSENTRY32> records;
    auto snapshot = service.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (!snapshot)
        return records;
    PROCESSENTRY32 record;
    for (bool more = snapshot->Process32First(record); more; more = snapshot->Process32Next(record))
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

// A copy of the steerable child under `name`, started with `threads` threads and ready.
struct NamedChild {
    NamedChild(const TempDir& dir, const std::string& name, int threads)
        : Path(dir.CopyProgram(SNAPSHOT_CHILD, name))
        , Process(Path, { std::to_string(threads) })
    {
        EXPECT_EQ(Process.ReadLine(), "ready");
    }
    std::string Path;
    ChildProcess Process;
};

} // namespace

TEST(ProcessSnapshot, listsAStartedChildWithItsParentThreadsPathAndPriorityOfTheMoment)
{
    TempDir dir;
    NamedChild child(dir, "quorvane child (ünïcode) with a long name", 4);
    LinuxSnapshotService service;
    const auto record = Find(service, child.Process.Pid());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->th32ParentProcessID, uint32_t(getpid()));
    EXPECT_EQ(record->cntThreads, 4u);
    EXPECT_EQ(record->szExeFile, child.Path);
    EXPECT_EQ(record->startTime, StatOf(child.Process.Pid())->starttime);
    EXPECT_EQ(ExecutableTypeText(service.ExecutableTypeOf(*record)), "64-Bit");
    const std::pair<int, int32_t> niceToBase[] = { { 0, 8 }, { 5, 6 }, { 12, 4 } };
    for (const auto& [nice, base] : niceToBase) {
        ASSERT_EQ(setpriority(PRIO_PROCESS, id_t(child.Process.Pid()), nice), 0);
        EXPECT_EQ(Find(service, child.Process.Pid())->pcPriClassBase, base) << "nice " << nice;
    }
}

TEST(ProcessSnapshot, listsEveryProcessOnceInProcOrderWithOurselvesIncluded)
{
    LinuxSnapshotService service;
    const auto records = Walk(service);
    ASSERT_FALSE(records.empty());
    std::set<uint32_t> seen;
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_TRUE(seen.insert(records[i].th32ProcessID).second);
        EXPECT_FALSE(records[i].szExeFile.empty());
        if (i > 0) {
            EXPECT_LT(records[i - 1].th32ProcessID, records[i].th32ProcessID);
        }
    }
    EXPECT_TRUE(seen.count(uint32_t(getpid())));
    const auto self = Find(service, getpid());
    EXPECT_EQ(self->szExeFile, std::filesystem::read_symlink("/proc/self/exe").string());
}

TEST(ProcessSnapshot, keepsNamesWithAnyBytesInPathsAndNames)
{
    TempDir dir;
    const std::string odd = "odd\nname \xfe\xff (x) ) (";
    NamedChild child(dir, odd, 1);
    LinuxSnapshotService service;
    EXPECT_EQ(Find(service, child.Process.Pid())->szExeFile, child.Path);

    // A zombie no longer runs: it is not listed, though its parent has not reaped it yet.
    child.Process.CloseInput();
    child.Process.WaitExited();
    EXPECT_FALSE(Find(service, child.Process.Pid()));
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
    const std::optional<int> seen = RunAsAnotherUser(
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
    TempDir dir;
    NamedChild deleted(dir, "soon gone", 1);
    NamedChild named(dir, "really (deleted)", 1);
    std::filesystem::remove(deleted.Path);

    LinuxSnapshotService service;
    EXPECT_EQ(Find(service, deleted.Process.Pid())->szExeFile, deleted.Path + " (deleted)");
    EXPECT_EQ(Find(service, named.Process.Pid())->szExeFile, named.Path);

    // The running image still tells its type; no file of that name does.
    EXPECT_EQ(ExecutableTypeText(service.ExecutableTypeOf(*Find(service, deleted.Process.Pid()))),
        "64-Bit");
    ExecutableTypeCache types;
    EXPECT_EQ(types.TextOf(deleted.Path + " (deleted)"), "");
    EXPECT_EQ(types.TextOf(named.Path), "64-Bit");
    // A record the service did not deliver is read from its path.
    PROCESSENTRY32 made;
    made.szExeFile = named.Path;
    EXPECT_EQ(service.ExecutableTypeOf(made), 0x24C45u);
    made.szExeFile = deleted.Path;
    EXPECT_EQ(service.ExecutableTypeOf(made), 0u);
}

TEST(ProcessSnapshot, followsAnExecToTheNewExecutableEvenUnderTheSameName)
{
    TempDir dir;
    std::filesystem::create_directories(dir.Path() / "a");
    std::filesystem::create_directories(dir.Path() / "b");
    std::filesystem::create_directories(dir.Path() / "c");
    NamedChild child(dir, "a/worker", 2);
    const std::string sameName = dir.CopyProgram(SNAPSHOT_CHILD, "b/worker");
    const std::string otherName = dir.CopyProgram(SNAPSHOT_CHILD, "c/other worker");

    LinuxSnapshotService service;
    EXPECT_EQ(Find(service, child.Process.Pid())->szExeFile, child.Path);

    child.Process.Send("exec " + sameName);
    ASSERT_EQ(child.Process.ReadLine(), "ready");
    auto record = Find(service, child.Process.Pid());
    EXPECT_EQ(record->szExeFile, sameName);
    EXPECT_EQ(record->cntThreads, 2u);

    child.Process.Send("exec " + otherName);
    ASSERT_EQ(child.Process.ReadLine(), "ready");
    EXPECT_EQ(Find(service, child.Process.Pid())->szExeFile, otherName);
}

TEST(ProcessSnapshot, dropsWhatItKeptForProcessesThatEnded)
{
    // Other processes of the machine come and go meanwhile: compare with each walk's own records.
    TempDir dir;
    LinuxSnapshotService service;
    Walk(service);
    {
        NamedChild first(dir, "first", 1);
        NamedChild second(dir, "second", 1);
        // Ended but not reaped yet: neither listed nor kept.
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
        ASSERT_TRUE(listed(first.Process.Pid()) && listed(second.Process.Pid()));
        EXPECT_EQ(service.Processes().KnownProcesses(), during.size());
        EXPECT_EQ(service.Processes().KeptDescriptors(), service.Processes().KnownProcesses());
    }
    const auto records = Walk(service);
    EXPECT_EQ(service.Processes().KnownProcesses(), records.size());
    EXPECT_EQ(service.Processes().KeptDescriptors(), records.size());
}

TEST(ProcessSnapshot, skipsProcessesThatEndWhileSnapshotsAreTaken)
{
    // Short-lived children come and go while snapshots run: every record that is delivered is
    // whole, and those of our children name the child's program and us as their parent.
    TempDir dir;
    const std::string program = dir.CopyProgram(SNAPSHOT_CHILD, "short lived");
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
    size_t childrenSeen = 0;
    for (int round = 0; round < 20; ++round) {
        for (const PROCESSENTRY32& record : Walk(service)) {
            ASSERT_FALSE(record.szExeFile.empty());
            if (record.th32ParentProcessID == uint32_t(getpid()) && record.szExeFile != "[?]") {
                const bool ours = record.szExeFile == program || record.szExeFile.rfind('[', 0) == 0
                    || record.szExeFile == std::filesystem::read_symlink("/proc/self/exe").string();
                EXPECT_TRUE(ours) << record.szExeFile;
                ++childrenSeen;
            }
        }
    }
    stop = true;
    churn.join();
    RecordProperty("childrenSeen", int(childrenSeen));
}

TEST(ProcessSnapshot, listsEveryProcessWhenDescriptorsRunShort)
{
    // In a child of ours, so the lowered limit stays there.
    const pid_t pid = fork();
    if (pid == 0) {
        rlimit limit { 300, 300 };
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
        bool self = false;
        for (const PROCESSENTRY32& record : records)
            self = self
                || (record.th32ProcessID == uint32_t(getpid()) && record.szExeFile[0] == '/');
        _exit(self ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

#ifndef SNAPSHOT_SLEEPER32
#define SNAPSHOT_SLEEPER32 ""
#endif

namespace {
// Why no 32-bit program runs here, or nothing when one does: the toolchain may not make one, and
// a kernel without 32-bit support refuses it (ENOEXEC).
std::optional<std::string> Without32BitPrograms()
{
    const std::string program = SNAPSHOT_SLEEPER32;
    if (program.empty())
        return "the toolchain here makes no 32-bit program";
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return "no pipe for the probe";
    const pid_t pid = fork();
    if (pid == 0) {
        char* const argv[] = { const_cast<char*>(program.c_str()), nullptr };
        execve(program.c_str(), argv, environ);
        const int error = errno;
        (void)!write(report[1], &error, sizeof error);
        _exit(127);
    }
    close(report[1]);
    // The pipe closes unread when the program has started.
    int error = 0;
    const bool refused = pid > 0 && read(report[0], &error, sizeof error) == sizeof error;
    close(report[0]);
    if (pid < 0)
        return "no process for the probe";
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (refused)
        return std::string("the kernel refuses 32-bit programs: ") + strerror(error);
    return std::nullopt;
}
}

TEST(ProcessSnapshot, listsA32BitProcessWithItsType)
{
    if (const auto missing = Without32BitPrograms())
        GTEST_SKIP() << *missing;
    TempDir dir;
    const std::string path = dir.CopyProgram(SNAPSHOT_SLEEPER32, "sleeper 32");
    ChildProcess sleeper(path, {});
    LinuxSnapshotService service;
    const auto record = Find(service, sleeper.Pid());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->szExeFile, path);
    EXPECT_EQ(record->cntThreads, 1u);
    EXPECT_EQ(ExecutableTypeText(service.ExecutableTypeOf(*record)), "32-Bit");
    ExecutableTypeCache types;
    EXPECT_EQ(types.TextOf(record->szExeFile), "32-Bit");
}

TEST(ProcessSnapshot, typeFollowsAnExecFrom64To32Bit)
{
    if (const auto missing = Without32BitPrograms())
        GTEST_SKIP() << *missing;
    TempDir dir;
    NamedChild child(dir, "grows smaller", 3);
    const std::string sleeper = dir.CopyProgram(SNAPSHOT_SLEEPER32, "smaller");
    LinuxSnapshotService service;
    auto record = Find(service, child.Process.Pid());
    EXPECT_EQ(ExecutableTypeText(service.ExecutableTypeOf(*record)), "64-Bit");

    child.Process.Send("exec " + sleeper);
    // The 32-bit program says nothing: wait until the kernel shows the new image.
    const std::string link = "/proc/" + std::to_string(child.Process.Pid()) + "/exe";
    for (int tries = 0; tries < 10000 && std::filesystem::read_symlink(link) != sleeper; ++tries)
        usleep(1000);
    record = Find(service, child.Process.Pid());
    EXPECT_EQ(record->szExeFile, sleeper);
    EXPECT_EQ(record->cntThreads, 1u);
    EXPECT_EQ(ExecutableTypeText(service.ExecutableTypeOf(*record)), "32-Bit");
}
