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
    EXPECT_TRUE(region->readable && !region->writable && region->executable && !region->shared);
    EXPECT_EQ(region->offset, 0x2000u);
    EXPECT_EQ(region->file.device, makedev(0xfd, 0x01));
    EXPECT_EQ(region->file.inode, 1311752u);
    EXPECT_EQ(region->path, "/opt/my app/lib\\012x.so (deleted)");
    EXPECT_EQ(DecodeMapsPath(region->path), "/opt/my app/lib\nx.so (deleted)");
    EXPECT_EQ(FileNameOf(DecodeMapsPath(region->path)), "lib\nx.so (deleted)");
}

TEST(MapsParsing, tellsFilesFromAnonymousAndPseudoRegionsAndSkipsMalformedLines)
{
    enum Kind { Skipped, File, Anonymous, Pseudo };
    const struct {
        const char* Line;
        Kind Expected;
    } cases[] = {
        { "55d0c0000000-55d0c0021000 rw-p 00000000 00:00 0 [heap]", Pseudo },
        { "7f0000000000-7f0000001000 rw-s 00000000 00:0e 1057 anon_inode:[perf]", Pseudo },
        { "7f0000001000-7f0000002000 rw-p 00000000 00:00 0 ", Anonymous },
        { "7f0000005000-7f0000006000 r--s 00000000 00:05 77 /memfd:pool (deleted)", File },
        { "garbage line", Skipped },
        { "", Skipped },
        { "7f0000001000-7f0000002000 rw-p", Skipped },
        { "7f0000003000-7f0000002000 r--p 00000000 08:01 5 /reversed", Skipped },
        { "7f0000004000-7f0000005000 r--p 0000000 08:01 x /bad-inode", Skipped },
    };
    std::string text;
    size_t kept = 0;
    for (const auto& test : cases) {
        const auto region = ParseMapsLine(test.Line);
        const Kind kind = !region   ? Skipped
            : region->IsFile()      ? File
            : region->IsAnonymous() ? Anonymous
                                    : Pseudo;
        EXPECT_EQ(kind, test.Expected) << test.Line;
        text += test.Line + std::string("\n");
        kept += test.Expected != Skipped;
    }
    EXPECT_EQ(ParseMaps(text).size(), kept);
}

TEST(MapsParsing, groupsTheMappingsOfEachFileByDeviceAndInode)
{
    const std::string text = "1000-2000 r--p 00000000 08:01 10 /usr/bin/tool\n"
                             "2000-5000 r-xp 00001000 08:01 10 /usr/bin/tool\n"
                             "5000-6000 rw-p 00000000 00:00 0 \n"
                             "6000-7000 r--p 00000000 08:01 20 /lib/libz.so\n"
                             "7000-9000 r--p 00000000 08:02 20 /other/device/same/inode\n"
                             "9000-a000 rw-p 00004000 08:01 10 /usr/bin/tool\n";
    const std::vector<MappedFile> files = GroupMappedFiles(ParseMaps(text));
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].path, "/usr/bin/tool");
    EXPECT_EQ(files[0].low, 0x1000u);
    EXPECT_EQ(files[0].high, 0xa000u);
    EXPECT_EQ(files[0].mappings, 3u);
    EXPECT_EQ(files[1].path, "/lib/libz.so");
    EXPECT_EQ(files[2].mappings, 1u);

    const std::vector<FileKey> keys = MappedFileKeys(text);
    EXPECT_EQ(keys.size(), 3u);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
}

TEST(MapsParsing, mappingKeyTakesStartTimeSizeAndKernelFlagAfterTheLastParenthesis)
{
    const struct {
        const char* Stat;
        std::optional<MappingKey> Expected;
    } cases[] = {
        { "77 (a) (b) S 1 77 77 0 -1 4194560 0 0 0 0 0 0 0 0 20 0 1 0 5555 123456789 100 18\n",
            MappingKey { 5555, 123456789, false } },
        { "2 (kthreadd) S 0 0 0 0 -1 2129984 0 0 0 0 0 0 0 0 20 0 1 0 7 0 0\n",
            MappingKey { 7, 0, true } },
        { "9 (cut) S 1 9 9 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 5555", std::nullopt },
        { "no parenthesis", std::nullopt },
    };
    for (const auto& test : cases)
        EXPECT_EQ(ParseMappingKey(test.Stat), test.Expected) << test.Stat;
}
