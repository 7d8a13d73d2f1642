#pragma once

#include <sys/types.h>
#include <vector>

namespace quorvane {

// Holds every thread of a process still while we read its memory: PTRACE_SEIZE and
// PTRACE_INTERRUPT on each, detached again when the object goes. Should we die meanwhile, the
// kernel detaches them and they run on. Where ptrace is not allowed (another user's process, one
// traced already, ourselves, one with a thread in uninterruptible sleep or in a frozen cgroup,
// one whose threads do not all stop within two seconds) nothing is held and Held() says so;
// reading then goes on live.
// Only the thread that made the object may end it.
class ProcessFreeze {
public:
    explicit ProcessFreeze(pid_t processId);
    ~ProcessFreeze();
    ProcessFreeze(const ProcessFreeze&) = delete;
    ProcessFreeze& operator=(const ProcessFreeze&) = delete;

    bool Held() const { return FHeld; }
    // Lets every thread run again; the destructor does it too.
    void Release();

private:
    struct Tracee {
        pid_t tid = 0;
        bool stopped = false;
        int pendingSignal = 0; // met while stopping it: handed back at the detach
    };

    bool SeizeAll(pid_t processId);
    bool Seize(pid_t processId, pid_t tid);
    // False when a thread has not stopped within the time limit.
    bool WaitForStops(pid_t processId);

    pid_t FProcessId = 0;
    std::vector<Tracee> FTracees;
    bool FHeld = false;
};

} // namespace quorvane
