#include "platform/proc/MemoryStatus.h"

#include <sys/sysinfo.h>

namespace quorvane {

void GlobalMemoryStatus(MEMORYSTATUS& status)
{
    struct sysinfo info { };
    if (::sysinfo(&info) != 0)
        return;
    status.dwTotalPhys = uint64_t(info.totalram) * info.mem_unit;
    status.dwAvailPhys = uint64_t(info.freeram) * info.mem_unit;
}

} // namespace quorvane
