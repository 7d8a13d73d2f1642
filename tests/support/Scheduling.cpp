#include "Scheduling.h"

#include <filesystem>
#include <linux/capability.h>
#include <sched.h>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quorvane::testing {

namespace {
    bool Capabilities(__user_cap_data_struct (&data)[2])
    {
        __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
        return ::syscall(SYS_capget, &header, data) == 0;
    }

    void SetEffective(const unsigned (&effective)[2])
    {
        __user_cap_data_struct data[2] {};
        if (!Capabilities(data))
            return;
        data[0].effective = effective[0];
        data[1].effective = effective[1];
        __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
        ::syscall(SYS_capset, &header, data);
    }
}

std::vector<pid_t> ThreadIds(pid_t pid)
{
    std::vector<pid_t> tids;
    std::error_code error;
    for (const auto& entry :
        std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error))
        tids.push_back(pid_t(std::stoi(entry.path().filename().string())));
    return tids;
}

std::vector<ThreadState> ThreadStates(pid_t pid)
{
    std::vector<ThreadState> states;
    for (const pid_t tid : ThreadIds(pid))
        states.push_back({ ::sched_getscheduler(tid) & ~SCHED_RESET_ON_FORK,
            ::getpriority(PRIO_PROCESS, id_t(tid)) });
    return states;
}

WithoutNiceCapability::WithoutNiceCapability()
{
    __user_cap_data_struct data[2] {};
    if (!Capabilities(data))
        return;
    FEffective[0] = data[0].effective;
    FEffective[1] = data[1].effective;
    const unsigned lowered[2] = { FEffective[0] & ~(1u << CAP_SYS_NICE), FEffective[1] };
    SetEffective(lowered);
}

WithoutNiceCapability::~WithoutNiceCapability()
{
    SetEffective(FEffective);
}

bool MayRaiseNiceUnprivileged()
{
    rlimit limit {};
    return ::getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur >= 30; // 20 - (-10)
}

bool MayRunRealTimeUnprivileged()
{
    rlimit limit {};
    return ::getrlimit(RLIMIT_RTPRIO, &limit) == 0 && limit.rlim_cur >= 1;
}

} // namespace quorvane::testing
