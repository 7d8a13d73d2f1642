#include "platform/posix/SecondCpu.h"

#include <sched.h>

namespace quorvane {

bool SecondCpuAtHand()
{
    cpu_set_t allowed;
    return ::sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 1;
}

} // namespace quorvane
