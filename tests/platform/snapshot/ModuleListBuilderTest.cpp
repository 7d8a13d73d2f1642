#include "platform/snapshot/ModuleListBuilder.h"
#include "platform/proc/ProcMaps.h"

#include <gtest/gtest.h>

using namespace quorvane;

// In the order of their lowest address; anonymous memory and pseudo-files are no files.
TEST(ModuleListBuilder, groupsTheMappingsOfEachFileByDeviceAndInode)
{
    const std::string text = "1000-2000 r--p 00000000 08:01 10 /usr/bin/tool\n"
                             "2000-5000 r-xp 00001000 08:01 10 /usr/bin/tool\n"
                             "5000-6000 rw-p 00000000 00:00 0 \n"
                             "5800-5900 rw-s 00000000 00:0e 1057 anon_inode:[perf]\n"
                             "6000-7000 r--p 00000000 08:01 20 /lib/libz.so\n"
                             "7000-9000 r--p 00000000 08:02 20 /other/device/same/inode\n"
                             "9000-a000 rw-p 00004000 08:01 10 /usr/bin/tool\n";
    const std::vector<MappedFile> files = GroupMappedFiles(ParseMaps(text));
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(std::tuple(files[0].path, files[0].low, files[0].high, files[0].mappings),
        std::tuple("/usr/bin/tool", 0x1000u, 0xa000u, 3u));
    EXPECT_EQ(std::tuple(files[1].path, files[2].mappings), std::tuple("/lib/libz.so", 1u));
}
