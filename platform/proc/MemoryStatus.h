#pragma once

#include <cstdint>

namespace quorvane {

// The memory status record. Sizes are 64 bits wide: a machine has more than 4 GiB.
struct MEMORYSTATUS {
    uint32_t dwLength = 0;
    uint64_t dwTotalPhys = 0; // bytes of physical memory
    uint64_t dwAvailPhys = 0;
};

// Fills the record from sysinfo(); sizes stay 0 when the system does not answer.
void GlobalMemoryStatus(MEMORYSTATUS& status);

} // namespace quorvane
