#include "GlobalUsageIndex.h"
#include "LinuxSnapshotService.h"
#include "ModuleIdTable.h"
#include "ModuleListBuilder.h"
#include "StartedChild.h"

#include <climits>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <optional>

using namespace quorvane;
using quorvane::test::StartedChild;

namespace {

std::string RealPath(const char* path)
{
    char resolved[PATH_MAX];
    return ::realpath(path, resolved) ? resolved : path;
}

std::optional<MODULEENTRY32> FindModule(
    pid_t pid, ModuleIdTable& ids, GlobalUsageIndex& usage, const std::string& path)
{
    std::vector<MODULEENTRY32> modules;
    ReadModules(uint32_t(pid), ids, usage, modules);
    for (const MODULEENTRY32& module : modules) {
        if (module.szExePath == path)
            return module;
    }
    return std::nullopt;
}

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

} // namespace

TEST(ModuleWalk, listsALoadedLibraryWithItsExtentAndMappingCount)
{
    ModuleIdTable ids;
    GlobalUsageIndex usage;
    const std::string probe = RealPath(PROBE_ONE);
    const auto child = ChildMapping(probe);

    std::vector<MODULEENTRY32> modules;
    ASSERT_TRUE(ReadModules(uint32_t(child->Pid()), ids, usage, modules));
    ASSERT_FALSE(modules.empty());
    EXPECT_EQ(modules.front().szExePath, RealPath(SNAPSHOT_CHILD)) << "it lies lowest";
    for (const MODULEENTRY32& module : modules)
        EXPECT_TRUE(module.szExePath.starts_with('/')) << module.szExePath;

    const auto found = FindModule(child->Pid(), ids, usage, probe);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->szModule, "libquorvane_probe_one.so");
    EXPECT_EQ(found->th32ProcessID, uint32_t(child->Pid()));
    EXPECT_EQ(found->hModule, found->modBaseAddr);
    EXPECT_GT(found->modBaseSize, 0u);
    EXPECT_EQ(found->modBaseSize % 4096, 0u);
    EXPECT_EQ(found->ProccntUsage, MapsLinesOf(child->Pid(), probe));
    EXPECT_GE(found->ProccntUsage, 2u);
    EXPECT_NE(found->th32ModuleID, 0u);
}

TEST(ModuleWalk, oneFileHasOneIdInEveryProcessAndItsGlobalUsageFollowsTheProcesses)
{
    ModuleIdTable ids;
    GlobalUsageIndex usage;
    const std::string probe = RealPath(PROBE_ONE);
    const auto first = ChildMapping(probe);
    const auto second = ChildMapping(probe);

    usage.Synchronize();
    const auto inFirst = FindModule(first->Pid(), ids, usage, probe);
    const auto inSecond = FindModule(second->Pid(), ids, usage, probe);
    ASSERT_TRUE(inFirst && inSecond);
    EXPECT_EQ(inFirst->th32ModuleID, inSecond->th32ModuleID);
    EXPECT_EQ(inFirst->GlblcntUsage, 2u);
    EXPECT_EQ(inSecond->GlblcntUsage, 2u);
    {
        const auto third = ChildMapping(probe);
        usage.Synchronize();
        const auto again = FindModule(first->Pid(), ids, usage, probe);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->GlblcntUsage, 3u);
        EXPECT_EQ(again->th32ModuleID, inFirst->th32ModuleID);
    }
    usage.Synchronize();
    EXPECT_EQ(FindModule(first->Pid(), ids, usage, probe)->GlblcntUsage, 2u);

    // A process the index already knows maps a new file: its mappings changed, so it is read
    // again.
    ASSERT_TRUE(first->Map(RealPath(PROBE_TWO)));
    usage.Synchronize();
    const auto added = FindModule(first->Pid(), ids, usage, RealPath(PROBE_TWO));
    ASSERT_TRUE(added);
    EXPECT_NE(added->th32ModuleID, inFirst->th32ModuleID);
    EXPECT_EQ(usage.GlobalUsage(*ids.FileOf(added->th32ModuleID)), 1u);
}

TEST(ModuleWalk, aWarmPassReadsOnlyTheMapsOfNewOrChangedProcesses)
{
    GlobalUsageIndex usage;
    usage.Synchronize();
    const GlobalUsageIndex::PassFigures cold = usage.LastPass();
    EXPECT_GT(cold.mapsRead, 0u);
    EXPECT_LE(cold.mapsRead, cold.processes) << "kernel threads map nothing";
    const StartedChild child(1);
    usage.Synchronize();
    EXPECT_GE(usage.LastPass().mapsRead, 1u) << "the new child at least";
    EXPECT_LT(usage.LastPass().mapsRead, cold.mapsRead);
}

TEST(ModuleWalk, theServiceNeverWaitsForTheIndexAndSaysWhenCountsChange)
{
    std::mutex lock;
    std::condition_variable arrived;
    int calls = 0;
    const std::string probe = RealPath(PROBE_ONE);
    const auto child = ChildMapping(probe);
    LinuxSnapshotService service;
    service.SetOnModuleUsageChanged([&] {
        const std::lock_guard guard(lock);
        ++calls;
        arrived.notify_all();
    });
    // Whether the first pass has ended or not, the snapshot answers at once: unknown is 0.
    const auto snapshot
        = service.CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, uint32_t(child->Pid()));
    ASSERT_TRUE(snapshot);
    std::optional<MODULEENTRY32> found;
    MODULEENTRY32 module;
    for (bool more = snapshot->Module32First(module); more; more = snapshot->Module32Next(module)) {
        if (module.szExePath == probe)
            found = module;
    }
    ASSERT_TRUE(found);
    EXPECT_LE(found->GlblcntUsage, 1u);

    // A process that appears changes the counts of what it maps.
    std::unique_lock wait(lock);
    const int before = calls;
    wait.unlock();
    const auto newcomer = ChildMapping(probe);
    service.Modules().Usage().Synchronize();
    wait.lock();
    arrived.wait(wait, [&] { return calls > before; });
    wait.unlock();
    EXPECT_EQ(service.ModuleGlobalUsage(found->th32ModuleID), 2u);
    EXPECT_EQ(service.ModuleGlobalUsage(0), std::nullopt);
    service.SetOnModuleUsageChanged(nullptr);
}
