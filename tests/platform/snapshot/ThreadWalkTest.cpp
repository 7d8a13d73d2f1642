#include "ChildProcess.h"
#include "LinuxSnapshotService.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using namespace quorvane;
using quorvane::testing::ChildProcess;

namespace {
std::vector<THREADENTRY32> Walk(ToolhelpSnapshot& snapshot)
{
    std::vector<THREADENTRY32> threads;
    THREADENTRY32 thread;
    for (bool more = snapshot.Thread32First(thread); more; more = snapshot.Thread32Next(thread))
        threads.push_back(thread);
    return threads;
}
}

TEST(ThreadWalk, listsEveryThreadOfAChildWithTheProcessBaseAndEachThreadsDelta)
{
    constexpr int workers = 6;
    ChildProcess child(THREADS_CHILD, { std::to_string(workers) });
    std::istringstream reply(child.ReadLine());
    uint32_t pid = 0, lowTid = 0, idleTid = 0;
    reply >> pid >> lowTid >> idleTid;
    std::vector<uint32_t> expected;
    for (uint32_t tid; reply >> tid;)
        expected.push_back(tid);
    ASSERT_EQ(pid, uint32_t(child.Pid()));
    ASSERT_EQ(expected.size(), size_t(workers + 1));

    LinuxSnapshotService service;
    const std::unique_ptr<ToolhelpSnapshot> snapshot
        = service.CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, pid);
    ASSERT_TRUE(snapshot);
    std::map<uint32_t, THREADENTRY32> byTid;
    for (const THREADENTRY32& thread : Walk(*snapshot)) {
        EXPECT_EQ(thread.th32OwnerProcessID, pid);
        byTid[thread.th32ThreadID] = thread;
    }
    ASSERT_EQ(byTid.size(), expected.size());
    for (const uint32_t tid : expected) {
        ASSERT_TRUE(byTid.count(tid)) << tid;
        const THREADENTRY32& thread = byTid[tid];
        // The process runs at nice 3: base 6 for every thread.
        EXPECT_EQ(thread.tpBasePri, 6) << tid;
        const int32_t delta = tid == lowTid ? -2 : tid == idleTid ? -15 : 0;
        EXPECT_EQ(thread.tpDeltaPri, delta) << tid;
    }
}

TEST(ThreadWalk, firstStartsOverAndAnEndedProcessHasNoSnapshot)
{
    LinuxSnapshotService service;
    pid_t gone = 0;
    {
        ChildProcess child(THREADS_CHILD, { "2" });
        child.ReadLine();
        gone = child.Pid();
        const std::unique_ptr<ToolhelpSnapshot> snapshot
            = service.CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, uint32_t(gone));
        ASSERT_TRUE(snapshot);
        const std::vector<THREADENTRY32> once = Walk(*snapshot);
        const std::vector<THREADENTRY32> twice = Walk(*snapshot);
        ASSERT_EQ(once.size(), 3u);
        ASSERT_EQ(twice.size(), 3u);
        EXPECT_EQ(once.front().th32ThreadID, twice.front().th32ThreadID);
        // A thread snapshot answers no other walk.
        MODULEENTRY32 module;
        EXPECT_FALSE(snapshot->Module32First(module));
    }
    EXPECT_EQ(service.CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, uint32_t(gone)), nullptr);
}
