#include "platform/proc/MemoryStatus.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace quorvane;

TEST(MemoryStatus, totalIsThePhysicalMemoryInBytes)
{
    MEMORYSTATUS status {};
    GlobalMemoryStatus(status);
    EXPECT_EQ(
        status.dwTotalPhys, uint64_t(sysconf(_SC_PHYS_PAGES)) * uint64_t(sysconf(_SC_PAGESIZE)));
}
