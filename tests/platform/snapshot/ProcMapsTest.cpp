#include "ProcMaps.h"
#include "GlobalUsageIndex.h"
#include "MappingKey.h"
#include "ModuleListBuilder.h"

#include <gtest/gtest.h>

#include <sys/sysmacros.h>

using namespace quorvane;

TEST(MapsParsing, readsEveryFieldAndKeepsSpacesAndEscapesOfThePath)
{
    const auto region = ParseMapsLine("7f12a0000000-7f12a0021000 r-xp 00002000 fd:01 1311752"
                                      "                    /opt/my app/lib\\012x.so (deleted)");
    ASSERT_TRUE(region);
    EXPECT_EQ(region->start, 0x7f12a0000000u);
    EXPECT_EQ(region->end, 0x7f12a0021000u);
    EXPECT_TRUE(region->readable);
    EXPECT_FALSE(region->writable);
    EXPECT_TRUE(region->executable);
    EXPECT_FALSE(region->shared);
    EXPECT_EQ(region->offset, 0x2000u);
    EXPECT_EQ(region->file.device, makedev(0xfd, 0x01));
    EXPECT_EQ(region->file.inode, 1311752u);
    EXPECT_EQ(region->path, "/opt/my app/lib\\012x.so (deleted)");
    EXPECT_TRUE(region->IsFile());
    EXPECT_EQ(DecodeMapsPath(region->path), "/opt/my app/lib\nx.so (deleted)");
    EXPECT_EQ(FileNameOf(DecodeMapsPath(region->path)), "lib\nx.so (deleted)");
}

TEST(MapsParsing, tellsFilesFromAnonymousAndPseudoRegionsAndSkipsMalformedLines)
{
    const std::string text
        = "55d0c0000000-55d0c0021000 rw-p 00000000 00:00 0 [heap]\n"
          "7f0000000000-7f0000001000 rw-s 00000000 00:0e 1057 anon_inode:[perf]\n"
          "7f0000001000-7f0000002000 rw-p 00000000 00:00 0 \n"
          "garbage line\n"
          "7f0000003000-7f0000002000 r--p 00000000 08:01 5 /reversed\n"
          "7f0000004000-7f0000005000 r--p 0000000 08:01 x /bad-inode\n"
          "7f0000005000-7f0000006000 r--s 00000000 00:05 77 /memfd:pool (deleted)";
    const std::vector<MapRegion> regions = ParseMaps(text);
    ASSERT_EQ(regions.size(), 4u);
    EXPECT_FALSE(regions[0].IsFile());
    EXPECT_FALSE(regions[0].IsAnonymous());
    EXPECT_FALSE(regions[1].IsFile());
    EXPECT_TRUE(regions[2].IsAnonymous());
    EXPECT_TRUE(regions[3].IsFile());
    EXPECT_TRUE(regions[3].shared);
}

TEST(MapsParsing, groupsTheMappingsOfEachFileByDeviceAndInode)
{
    const std::string text = "1000-2000 r--p 00000000 08:01 10 /usr/bin/tool\n"
                             "2000-5000 r-xp 00001000 08:01 10 /usr/bin/tool\n"
                             "5000-6000 rw-p 00000000 00:00 0 \n"
                             "6000-7000 r--p 00000000 08:01 20 /lib/libz.so\n"
                             "7000-9000 r--p 00000000 08:02 20 /other/device/same/inode\n"
                             "9000-a000 rw-p 00004000 08:01 10 /usr/bin/tool\n";
    const std::vector<MapRegion> regions = ParseMaps(text);
    const std::vector<MappedFile> files = GroupMappedFiles(regions);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].path, "/usr/bin/tool");
    EXPECT_EQ(files[0].low, 0x1000u);
    EXPECT_EQ(files[0].high, 0xa000u);
    EXPECT_EQ(files[0].mappings, 3u);
    EXPECT_EQ(files[1].path, "/lib/libz.so");
    EXPECT_EQ(files[2].mappings, 1u);

    const std::vector<FileKey> keys = MappedFileKeys(text);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
}

TEST(MapsParsing, mappingKeyTakesStartTimeSizeAndKernelFlagAfterTheLastParenthesis)
{
    const auto key = ParseMappingKey("77 (a) (b) S 1 77 77 0 -1 4194560 0 0 0 0 0 0 0 0 20 0 1 0 "
                                     "5555 123456789 100 18446744073709551615\n");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->starttime, 5555u);
    EXPECT_EQ(key->vsize, 123456789u);
    EXPECT_FALSE(key->kernelThread);
    const auto kernel = ParseMappingKey("2 (kthreadd) S 0 0 0 0 -1 2129984 0 0 0 0 0 0 0 0 20 0 1 "
                                        "0 7 0 0\n");
    ASSERT_TRUE(kernel);
    EXPECT_TRUE(kernel->kernelThread);
    EXPECT_FALSE(ParseMappingKey("9 (cut) S 1 9 9 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 5555"));
    EXPECT_FALSE(ParseMappingKey("no parenthesis"));
}
