#include "tests/support/ProcessProbe.h"

#include "platform/proc/ProcFiles.h"
#include "platform/proc/ProcStat.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/capability.h>
#include <sched.h>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quorvane::testing {

namespace {
    // Reads this thread's capabilities, lets change change the effective set, writes them back.
    template <typename Change> void EditCapabilities(Change change)
    {
        __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
        __user_cap_data_struct data[2] {};
        if (::syscall(SYS_capget, &header, data) == 0) {
            change(data[0].effective);
            ::syscall(SYS_capset, &header, data);
        }
    }
}

std::vector<pid_t> ThreadIds(pid_t pid)
{
    const std::string path = "/proc/" + std::to_string(pid) + "/task";
    const int dir = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::vector<uint32_t> tids = dir >= 0 ? ListNumericEntries(dir) : std::vector<uint32_t>();
    if (dir >= 0)
        ::close(dir);
    return std::vector<pid_t>(tids.begin(), tids.end());
}

std::vector<ThreadState> ThreadStates(pid_t pid)
{
    std::vector<ThreadState> states;
    for (const pid_t tid : ThreadIds(pid))
        states.push_back({ ::sched_getscheduler(tid) & ~SCHED_RESET_ON_FORK,
            ::getpriority(PRIO_PROCESS, id_t(tid)) });
    return states;
}

uint64_t StartTimeOf(pid_t pid)
{
    const auto stat = StatAt("/proc/" + std::to_string(pid) + "/stat");
    return stat ? stat->starttime : 0;
}

std::optional<ProcStat> StatAt(const std::string& path)
{
    const auto text = ReadProcFile(AT_FDCWD, path.c_str());
    return text ? ParseProcStat(*text) : std::nullopt;
}

bool Within30Seconds(const std::function<bool()>& condition)
{
    for (int poll = 0; poll < 6000; ++poll) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

bool ChildRuns(pid_t pid)
{
    siginfo_t info {};
    return ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
}

WithoutNiceCapability::WithoutNiceCapability()
{
    EditCapabilities([this](unsigned& effective) {
        FEffective = effective;
        effective &= ~(1u << CAP_SYS_NICE);
    });
}

WithoutNiceCapability::~WithoutNiceCapability()
{
    EditCapabilities([this](unsigned& effective) { effective = FEffective; });
}

bool MayRaiseUnprivileged()
{
    rlimit nice {};
    rlimit realTime {};
    return (::getrlimit(RLIMIT_NICE, &nice) == 0 && nice.rlim_cur >= 30) // 20 - (-10)
        || (::getrlimit(RLIMIT_RTPRIO, &realTime) == 0 && realTime.rlim_cur >= 1);
}

bool RunsAtNiceZero()
{
    errno = 0;
    return ::getpriority(PRIO_PROCESS, 0) == 0 && errno == 0;
}

} // namespace quorvane::testing
