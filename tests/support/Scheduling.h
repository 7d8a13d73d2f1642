#pragma once

#include <sys/types.h>
#include <vector>

namespace quorvane::testing {

// What the kernel says of every thread of a process.
struct ThreadState {
    int Policy;
    int Nice;
    bool operator==(const ThreadState&) const = default;
};
std::vector<ThreadState> ThreadStates(pid_t pid);
std::vector<pid_t> ThreadIds(pid_t pid);

// For its life, this thread lacks CAP_SYS_NICE: raising a priority is refused as for an ordinary
// user (unless the resource limits allow it; see MayRaiseUnprivileged).
class WithoutNiceCapability {
public:
    WithoutNiceCapability();
    ~WithoutNiceCapability();
    WithoutNiceCapability(const WithoutNiceCapability&) = delete;
    WithoutNiceCapability& operator=(const WithoutNiceCapability&) = delete;

private:
    unsigned FEffective[2] {};
};

// Whether RLIMIT_NICE / RLIMIT_RTPRIO would let an ordinary user have nice -10 / SCHED_RR 1.
bool MayRaiseNiceUnprivileged();
bool MayRunRealTimeUnprivileged();

} // namespace quorvane::testing
