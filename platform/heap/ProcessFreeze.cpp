#include "platform/heap/ProcessFreeze.h"

#include "platform/posix/RetryOnInterrupt.h"
#include "platform/posix/UniqueFd.h"
#include "platform/proc/ProcFiles.h"
#include "platform/proc/ProcStat.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvane {

namespace {
    // How long the threads may take to stop before we read live instead.
    constexpr auto StopTimeLimit = std::chrono::seconds(2);

    // The state letter of a thread's stat; 'X' when it is gone.
    char ThreadState(pid_t processId, pid_t tid)
    {
        const std::string path
            = "/proc/" + std::to_string(processId) + "/task/" + std::to_string(tid) + "/stat";
        const std::optional<std::string> stat = ReadProcFile(AT_FDCWD, path.c_str());
        const size_t close = stat ? stat->rfind(')') : std::string::npos;
        return close != std::string::npos && close + 2 < stat->size() ? (*stat)[close + 2] : 'X';
    }

    // A thread that has died (or is dying) will never report a stop.
    bool ThreadGone(pid_t processId, pid_t tid)
    {
        const char state = ThreadState(processId, tid);
        return state == 'Z' || state == 'X' || state == 'x';
    }

    bool FileHolds(const std::string& path, std::string_view text)
    {
        const std::optional<std::string> content = ReadProcFile(AT_FDCWD, path.c_str());
        return content && content->find(text) != std::string::npos;
    }

    // Frozen by the cgroup v2 freezer (wherever the unified tree is mounted) or the v1 one.
    bool CgroupFrozen(pid_t processId)
    {
        const std::string path = "/proc/" + std::to_string(processId) + "/cgroup";
        const std::optional<std::string> cgroups = ReadProcFile(AT_FDCWD, path.c_str());
        std::string_view rest = cgroups ? std::string_view(*cgroups) : std::string_view();
        while (!rest.empty()) {
            const size_t end = rest.find('\n');
            const std::string_view line = rest.substr(0, end);
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
            const size_t first = line.find(':');
            const size_t second = line.find(':', first + 1);
            if (first == std::string_view::npos || second == std::string_view::npos)
                continue;
            const std::string_view controllers = line.substr(first + 1, second - first - 1);
            const std::string group(line.substr(second + 1));
            if (controllers.empty()) {
                for (const char* root : { "/sys/fs/cgroup", "/sys/fs/cgroup/unified" }) {
                    if (FileHolds(root + group + "/cgroup.events", "frozen 1"))
                        return true;
                }
            } else if (controllers.find("freezer") != std::string_view::npos
                && FileHolds("/sys/fs/cgroup/freezer" + group + "/freezer.state", "FR")) {
                return true; // FREEZING or FROZEN
            }
        }
        return false;
    }

    // Whether we started the process ourselves: then our own wait reaps it, not our hold.
    bool IsOurChild(pid_t processId)
    {
        const std::string path = "/proc/" + std::to_string(processId) + "/stat";
        const std::optional<std::string> text = ReadProcFile(AT_FDCWD, path.c_str());
        const std::optional<ProcStat> stat = text ? ParseProcStat(*text) : std::nullopt;
        return stat && stat->ppid == ::getpid();
    }

    // True once a thread that would not detach is ours no more: ended and collected, or stopped
    // after all and let go. With leaveExit its end is only looked at, and left for the parent.
    bool Collected(pid_t tid, bool leaveExit)
    {
        siginfo_t info {};
        const int options = WEXITED | WSTOPPED | WNOHANG | __WALL | (leaveExit ? WNOWAIT : 0);
        if (RetryOnInterrupt([&] { return ::waitid(P_PID, id_t(tid), &info, options); }) != 0)
            return true; // not ours to wait for
        if (info.si_pid == 0)
            return false;
        if (info.si_code == CLD_EXITED || info.si_code == CLD_KILLED || info.si_code == CLD_DUMPED)
            return true;
        return ::ptrace(PTRACE_DETACH, tid, nullptr, nullptr) == 0;
    }

    // Threads killed while held stay ours until we collect them, and their process cannot be
    // reaped by its parent until then. The kernel reports the leader's end only once every other
    // thread has been collected, so they are all collected together, not one after another.
    void CollectEnded(pid_t processId, std::vector<pid_t> tids)
    {
        const bool ourChild = IsOurChild(processId);
        const auto deadline = std::chrono::steady_clock::now() + StopTimeLimit;
        for (;;) {
            std::erase_if(
                tids, [&](pid_t tid) { return Collected(tid, ourChild && tid == processId); });
            if (tids.empty() || std::chrono::steady_clock::now() > deadline)
                return;
            ::usleep(50);
        }
    }

    // A thread in uninterruptible sleep, or a frozen cgroup, would stop only when it wakes,
    // which may be never: such a process is read live.
    bool MayNotStopSoon(pid_t processId, const std::vector<uint32_t>& tids)
    {
        for (const uint32_t tid : tids) {
            if (ThreadState(processId, pid_t(tid)) == 'D')
                return true;
        }
        return CgroupFrozen(processId);
    }
}

ProcessFreeze::ProcessFreeze(pid_t processId)
    : FProcessId(processId)
{
    if (processId <= 0 || processId == ::getpid())
        return;
    const bool all = SeizeAll(processId);
    // Even to let go, a seized thread must first have stopped: detaching a running one fails.
    const bool stopped = WaitForStops(processId);
    if (!all) {
        Release();
        return;
    }
    FHeld = stopped;
}

ProcessFreeze::~ProcessFreeze()
{
    Release();
}

bool ProcessFreeze::SeizeAll(pid_t processId)
{
    const std::string taskPath = "/proc/" + std::to_string(processId) + "/task";
    const UniqueFd taskDir(::open(taskPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!taskDir.Valid())
        return false;
    if (MayNotStopSoon(processId, ListNumericEntries(taskDir.Get())))
        return false;
    // Threads started by threads not yet held: list again until nothing new appears.
    for (bool more = true; more;) {
        more = false;
        for (const uint32_t tid : ListNumericEntries(taskDir.Get())) {
            const bool known = std::any_of(FTracees.begin(), FTracees.end(),
                [&](const Tracee& tracee) { return tracee.tid == pid_t(tid); });
            if (known)
                continue;
            if (!Seize(processId, pid_t(tid)))
                return false;
            more = true;
        }
    }
    return !FTracees.empty();
}

bool ProcessFreeze::Seize(pid_t processId, pid_t tid)
{
    if (::ptrace(PTRACE_SEIZE, tid, nullptr, nullptr) != 0)
        return errno == ESRCH || ThreadGone(processId, tid); // a zombie cannot be traced
    FTracees.push_back({ tid, false, 0 });
    if (::ptrace(PTRACE_INTERRUPT, tid, nullptr, nullptr) != 0)
        FTracees.back().stopped = ThreadGone(processId, tid);
    return true;
}

bool ProcessFreeze::WaitForStops(pid_t processId)
{
    const auto deadline = std::chrono::steady_clock::now() + StopTimeLimit;
    for (unsigned round = 0;; ++round) {
        // Most threads stop at once; only now and then look whether a slow one has died.
        const bool lookForDead = round % 64 == 63;
        bool waiting = false;
        for (Tracee& tracee : FTracees) {
            if (tracee.stopped)
                continue;
            int status = 0;
            const pid_t got = ::waitpid(tracee.tid, &status, __WALL | WNOHANG);
            if (got == tracee.tid && WIFSTOPPED(status)) {
                tracee.stopped = true;
                // A signal-delivery stop rather than our interrupt: the signal is handed back on
                // detach so the process still gets it.
                if (status >> 16 == 0)
                    tracee.pendingSignal = WSTOPSIG(status);
            } else if (got == tracee.tid || (got < 0 && errno == ECHILD)
                || (lookForDead && ThreadGone(processId, tracee.tid))) {
                tracee.stopped = true; // ended: nothing left to hold or release
                tracee.tid = 0;
            } else {
                waiting = true;
            }
        }
        if (!waiting)
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        ::usleep(50);
    }
}

void ProcessFreeze::Release()
{
    // A thread still on its way to the stop is given one more while to get there: detaching
    // fails until it has, and it would then wait for us.
    if (std::any_of(FTracees.begin(), FTracees.end(), [](const Tracee& t) { return !t.stopped; })
        && FProcessId > 0)
        WaitForStops(FProcessId);
    std::vector<pid_t> ended;
    for (const Tracee& tracee : FTracees) {
        if (tracee.tid > 0
            && ::ptrace(PTRACE_DETACH, tracee.tid, nullptr,
                   reinterpret_cast<void*>(intptr_t(tracee.pendingSignal)))
                != 0)
            ended.push_back(tracee.tid);
    }
    if (!ended.empty())
        CollectEnded(FProcessId, std::move(ended));
    FTracees.clear();
    FHeld = false;
}

} // namespace quorvane
