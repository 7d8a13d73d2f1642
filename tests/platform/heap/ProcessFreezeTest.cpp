#include "platform/heap/ProcessFreeze.h"
#include "tests/support/ProcessProbe.h"
#include "tests/support/StartedChild.h"

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvane;
using namespace quorvane::testing;

// A process killed while we hold it is let go at once and stays its parent's to reap, whether we
// are that parent or not: its threads end as zombies that only their tracer can collect, and the
// kernel reports the leader's end only after every other thread's.
TEST(ProcessFreeze, aProcessKilledWhileHeldIsLetGoAndLeftToItsParent)
{
    const auto holdKillAndRelease = [](pid_t pid) {
        ProcessFreeze freeze(pid);
        if (!freeze.Held() || ::kill(pid, SIGKILL) != 0)
            return false;
        // Every thread has taken the signal before we let go.
        const std::string tasks = "/proc/" + std::to_string(pid) + "/task/";
        return Within30Seconds([&] {
            const auto tids = ThreadIds(pid);
            return std::all_of(tids.begin(), tids.end(), [&](pid_t tid) {
                const auto stat = StatAt(tasks + std::to_string(tid) + "/stat");
                return !stat || stat->state == 'Z';
            });
        });
    };
    for (const bool heldByParent : { true, false }) {
        SCOPED_TRACE(heldByParent ? "held by its parent" : "held by another process");
        StartedChild child(4);
        const pid_t pid = child.Pid();
        pid_t holder = -1;
        if (heldByParent) {
            ASSERT_TRUE(holdKillAndRelease(pid));
        } else {
            holder = fork();
            if (holder == 0) {
                // Stays until we have looked, stopped: its end would let go of everything.
                if (holdKillAndRelease(pid))
                    ::raise(SIGSTOP);
                _exit(1);
            }
            siginfo_t info {};
            EXPECT_EQ(::waitid(P_PID, id_t(holder), &info, WSTOPPED | WEXITED), 0);
            EXPECT_EQ(info.si_code, CLD_STOPPED);
        }
        EXPECT_TRUE(Within30Seconds([&] { return ::waitpid(pid, nullptr, WNOHANG) == pid; }));
        if (holder > 0) {
            ::kill(holder, SIGKILL);
            ::waitpid(holder, nullptr, 0);
        }
    }
}
