#include "ProcessFreeze.h"

#include "ProcFiles.h"
#include "UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvane {

namespace {
    // A thread that has died (or is dying) will never report a stop.
    bool ThreadGone(pid_t processId, pid_t tid)
    {
        const std::string path
            = "/proc/" + std::to_string(processId) + "/task/" + std::to_string(tid) + "/stat";
        const std::optional<std::string> stat = ReadProcFile(AT_FDCWD, path.c_str());
        if (!stat)
            return true;
        const size_t close = stat->rfind(')');
        const char state
            = close != std::string::npos && close + 2 < stat->size() ? (*stat)[close + 2] : 'X';
        return state == 'Z' || state == 'X' || state == 'x';
    }
}

ProcessFreeze::ProcessFreeze(pid_t processId)
{
    if (processId <= 0 || processId == ::getpid())
        return;
    const bool all = SeizeAll(processId);
    // Even to let go, a seized thread must first have stopped: detaching a running one fails.
    WaitForStops(processId);
    if (!all) {
        Release();
        return;
    }
    FHeld = true;
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

void ProcessFreeze::WaitForStops(pid_t processId)
{
    for (;;) {
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
                || ThreadGone(processId, tracee.tid)) {
                tracee.stopped = true; // ended: nothing left to hold or release
                tracee.tid = 0;
            } else {
                waiting = true;
            }
        }
        if (!waiting)
            return;
        ::usleep(50);
    }
}

void ProcessFreeze::Release()
{
    for (const Tracee& tracee : FTracees) {
        if (tracee.tid > 0)
            ::ptrace(PTRACE_DETACH, tracee.tid, nullptr,
                reinterpret_cast<void*>(intptr_t(tracee.pendingSignal)));
    }
    FTracees.clear();
    FHeld = false;
}

} // namespace quorvane
