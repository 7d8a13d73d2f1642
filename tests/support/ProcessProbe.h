#pragma once

#include "platform/proc/ProcStat.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quorvane::testing {

// What the kernel says of a process the test started.
struct ThreadState {
    int Policy;
    int Nice;
    bool operator==(const ThreadState&) const = default;
};
std::vector<pid_t> ThreadIds(pid_t pid);
std::vector<ThreadState> ThreadStates(pid_t pid);
uint64_t StartTimeOf(pid_t pid);
// A stat file of /proc as the kernel writes it now; nothing once it is gone.
std::optional<ProcStat> StatAt(const std::string& path);
// Polls, so that a condition that never comes fails the test instead of hanging it.
bool Within30Seconds(const std::function<bool()>& condition);
// Our child has not exited (it is neither gone nor a zombie).
bool ChildRuns(pid_t pid);

// For its life this thread lacks CAP_SYS_NICE: raising a priority is refused as for an ordinary
// user, unless the resource limits allow it (MayRaiseUnprivileged).
class WithoutNiceCapability {
public:
    WithoutNiceCapability();
    ~WithoutNiceCapability();
    WithoutNiceCapability(const WithoutNiceCapability&) = delete;
    WithoutNiceCapability& operator=(const WithoutNiceCapability&) = delete;

private:
    unsigned FEffective = 0;
};
// Whether RLIMIT_NICE or RLIMIT_RTPRIO would let anyone have nice -10 or SCHED_RR 1.
bool MayRaiseUnprivileged();
// Children start at our nice value: whether that is Normal's, as the priority cases expect.
bool RunsAtNiceZero();

} // namespace quorvane::testing
