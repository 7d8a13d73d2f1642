// A process killed while we hold it still must not be kept from its parent afterwards: its
// threads end as zombies that only their tracer can collect.
#include "ProcessFreeze.h"
#include "ChildProcess.h"
#include "ProcFiles.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>

using namespace quorvane;
using quorvane::testing::ChildProcess;

namespace {

bool AllThreadsEnded(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    const int dir = ::open(tasks.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return true;
    bool ended = true;
    for (const uint32_t tid : ListNumericEntries(dir)) {
        const std::optional<std::string> stat
            = ReadProcFile(dir, (std::to_string(tid) + "/stat").c_str());
        const size_t close = stat ? stat->rfind(')') : std::string::npos;
        ended &= close == std::string::npos || stat->substr(close + 2, 1) == "Z";
    }
    ::close(dir);
    return ended;
}

// Polls rather than blocks, so that a process that can never be reaped fails the test instead
// of hanging it; the limit only bounds a wait that succeeds at once when all is well.
bool Reaped(pid_t pid)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < limit) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

} // namespace

TEST(ProcessFreeze, aProcessKilledWhileHeldIsReapedByItsParentOnceLetGo)
{
    ChildProcess child(SNAPSHOT_CHILD, { "4" });
    ASSERT_EQ(child.ReadLine(), "ready");
    const pid_t pid = child.Pid();
    {
        ProcessFreeze freeze(pid);
        ASSERT_TRUE(freeze.Held());
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!AllThreadsEnded(pid) && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(Reaped(pid));
}
