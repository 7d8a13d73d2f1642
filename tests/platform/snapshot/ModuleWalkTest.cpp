#include "GlobalUsageIndex.h"
#include "LinuxSnapshotService.h"
#include "MappingKey.h"
#include "ModuleListBuilder.h"
#include "ProcMaps.h"
#include "StartedChild.h"

#include <atomic>
#include <fstream>
#include <sstream>
#include <sys/sysmacros.h>

using namespace quorvane;
using quorvane::test::StartedChild;

namespace {

// Counted independently of the parser: the lines of maps that end in the path.
uint32_t MapsLinesOf(pid_t pid, const std::string& path)
{
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    uint32_t lines = 0;
    for (std::string line; std::getline(maps, line);)
        lines += line.ends_with(path);
    return lines;
}

std::unique_ptr<StartedChild> ChildMapping(const std::string& library)
{
    auto child = std::make_unique<StartedChild>(1);
    EXPECT_TRUE(child->Map(library));
    return child;
}

// What a line of maps parses to, in brief: range, access, offset, device, inode, kind and the
// path as the file system names it.
std::string Parsed(std::string_view line)
{
    const auto region = ParseMapsLine(line);
    if (!region)
        return "skipped";
    const char* kind = region->IsFile() ? "file" : region->IsAnonymous() ? "anonymous" : "pseudo";
    std::ostringstream text;
    text << std::hex << region->start << '-' << region->end << ' ' << (region->readable ? 'r' : '-')
         << (region->writable ? 'w' : '-') << (region->executable ? 'x' : '-')
         << (region->shared ? 's' : 'p') << ' ' << region->offset << std::dec << ' '
         << major(region->file.device) << ':' << minor(region->file.device) << ' '
         << region->file.inode << ' ' << kind << " '" << DecodeMapsPath(region->path) << "'";
    return text.str();
}

} // namespace

TEST(ModuleWalk, listsEachLibraryAtOnceWithItsExtentAndOneIdWhoseUsageFollowsTheProcesses)
{
    LinuxSnapshotService service;
    std::atomic<int> calls = 0;
    service.SetOnModuleUsageChanged([&] { ++calls; });
    const auto modulesOf = [&](pid_t pid) {
        std::vector<MODULEENTRY32> modules;
        const auto snapshot = service.CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, uint32_t(pid));
        MODULEENTRY32 module;
        for (bool more = snapshot && snapshot->Module32First(module); more;
             more = snapshot->Module32Next(module))
            modules.push_back(module);
        return modules;
    };
    const auto find = [&](pid_t pid, const std::string& path) {
        service.Modules().Usage().Synchronize();
        for (const MODULEENTRY32& module : modulesOf(pid)) {
            if (module.szExePath == path)
                return module;
        }
        ADD_FAILURE() << path << " is not listed";
        return MODULEENTRY32 {};
    };
    const std::string probe = std::filesystem::canonical(PROBE_ONE);
    const auto first = ChildMapping(probe);
    // Whether the index's first pass has ended or not, the walk answers at once: unknown is 0.
    const std::vector<MODULEENTRY32> modules = modulesOf(first->Pid());
    ASSERT_FALSE(modules.empty());
    EXPECT_EQ(modules.front().szExePath, std::filesystem::canonical(SNAPSHOT_CHILD)) << "lowest";
    for (const MODULEENTRY32& module : modules) {
        EXPECT_TRUE(module.szExePath.starts_with('/')) << module.szExePath;
        EXPECT_TRUE(module.szExePath != probe || module.GlblcntUsage <= 1u);
    }
    const MODULEENTRY32 found = find(first->Pid(), probe);
    EXPECT_EQ(std::tuple(found.szModule, found.th32ProcessID, found.hModule,
                  found.modBaseSize % 4096, found.ProccntUsage, found.GlblcntUsage),
        std::tuple("libquorvane_probe_one.so", uint32_t(first->Pid()), found.modBaseAddr, 0u,
            MapsLinesOf(first->Pid(), probe), 1u));
    EXPECT_GT(found.modBaseSize, 0u);
    EXPECT_GE(found.ProccntUsage, 2u);
    EXPECT_NE(found.th32ModuleID, 0u);
    {
        // A process that appears changes the counts of what it maps, and says so.
        const int before = calls;
        const auto second = ChildMapping(probe);
        const MODULEENTRY32 inSecond = find(second->Pid(), probe);
        EXPECT_TRUE(quorvane::test::Within30Seconds([&] { return calls > before; }));
        EXPECT_EQ(std::pair(inSecond.GlblcntUsage, inSecond.th32ModuleID),
            std::pair(2u, found.th32ModuleID));
        EXPECT_EQ(service.ModuleGlobalUsage(found.th32ModuleID), 2u);
    }
    EXPECT_EQ(find(first->Pid(), probe).GlblcntUsage, 1u);
    EXPECT_EQ(service.ModuleGlobalUsage(0), std::nullopt);
    // A process the index already knows maps a new file: its mappings changed, so it is read
    // again.
    ASSERT_TRUE(first->Map(std::filesystem::canonical(PROBE_TWO)));
    const MODULEENTRY32 added = find(first->Pid(), std::filesystem::canonical(PROBE_TWO));
    EXPECT_EQ(added.GlblcntUsage, 1u);
    EXPECT_NE(added.th32ModuleID, found.th32ModuleID);
    service.SetOnModuleUsageChanged(nullptr);
}

TEST(MapsParsing, readsEachLineOrSkipsItWhenMalformed)
{
    const std::pair<const char*, const char*> cases[] = {
        { "7f12a0000000-7f12a0021000 r-xp 00002000 fd:01 1311752          /opt/my app/l\\012x.so",
            "7f12a0000000-7f12a0021000 r-xp 2000 253:1 1311752 file '/opt/my app/l\nx.so'" },
        { "1000-2000 rw-p 00000000 00:00 0 [heap]", "1000-2000 rw-p 0 0:0 0 pseudo '[heap]'" },
        { "1000-2000 rw-s 00000000 00:0e 1057 anon_inode:[perf]",
            "1000-2000 rw-s 0 0:14 1057 pseudo 'anon_inode:[perf]'" },
        { "1000-2000 ---p 00000000 00:00 0 ", "1000-2000 ---p 0 0:0 0 anonymous ''" },
        { "garbage line", "skipped" },
        { "1000-2000 rw-p", "skipped" },
        { "3000-2000 r--p 00000000 08:01 5 /reversed", "skipped" },
        { "4000-5000 r--p 0000000 08:01 x /bad-inode", "skipped" },
    };
    std::string text;
    size_t kept = 0;
    for (const auto& [line, parsed] : cases) {
        EXPECT_EQ(Parsed(line), parsed) << line;
        text += line + std::string("\n");
        kept += std::string_view(parsed) != "skipped";
    }
    EXPECT_EQ(ParseMaps(text).size(), kept) << "the malformed lines are skipped";
    EXPECT_EQ(FileNameOf("/opt/my app/lib\nx.so (deleted)"), "lib\nx.so (deleted)");
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
    EXPECT_EQ(std::tuple(files[0].path, files[0].low, files[0].high, files[0].mappings),
        std::tuple("/usr/bin/tool", 0x1000u, 0xa000u, 3u));
    EXPECT_EQ(std::tuple(files[1].path, files[2].mappings), std::tuple("/lib/libz.so", 1u));
    const std::vector<FileKey> keys = MappedFileKeys(text);
    EXPECT_EQ(keys.size(), 3u);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
}

TEST(MapsParsing, mappingKeyTakesStartTimeSizeAndKernelFlagAfterTheLastParenthesis)
{
    const std::pair<const char*, std::optional<MappingKey>> cases[] = {
        { "77 (a) (b) S 1 77 77 0 -1 4194560 0 0 0 0 0 0 0 0 20 0 1 0 5555 123456789 100 18\n",
            MappingKey { 5555, 123456789, false } },
        { "2 (kthreadd) S 0 0 0 0 -1 2129984 0 0 0 0 0 0 0 0 20 0 1 0 7 0 0\n",
            MappingKey { 7, 0, true } },
        { "9 (cut) S 1 9 9 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 5555", std::nullopt },
        { "no parenthesis", std::nullopt },
    };
    for (const auto& [stat, key] : cases)
        EXPECT_EQ(ParseMappingKey(stat), key) << stat;
}
