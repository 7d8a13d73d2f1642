#include "GlobalUsageIndex.h"
#include "LinuxSnapshotService.h"
#include "ModuleIdTable.h"
#include "ModuleListBuilder.h"
#include "StartedChild.h"

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

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

class ModuleWalk : public ::testing::Test {
protected:
    std::optional<MODULEENTRY32> Find(pid_t pid, const std::string& path)
    {
        std::vector<MODULEENTRY32> modules;
        ReadModules(uint32_t(pid), Ids, Usage, modules);
        for (const MODULEENTRY32& module : modules) {
            if (module.szExePath == path)
                return module;
        }
        return std::nullopt;
    }

    ModuleIdTable Ids;
    GlobalUsageIndex Usage;
    const std::string Probe = std::filesystem::canonical(PROBE_ONE);
};

} // namespace

TEST_F(ModuleWalk, listsALoadedLibraryWithItsExtentAndMappingCount)
{
    const auto child = ChildMapping(Probe);
    std::vector<MODULEENTRY32> modules;
    ASSERT_TRUE(ReadModules(uint32_t(child->Pid()), Ids, Usage, modules));
    ASSERT_FALSE(modules.empty());
    EXPECT_EQ(modules.front().szExePath, std::filesystem::canonical(SNAPSHOT_CHILD)) << "lowest";
    for (const MODULEENTRY32& module : modules)
        EXPECT_TRUE(module.szExePath.starts_with('/')) << module.szExePath;

    const auto found = Find(child->Pid(), Probe);
    ASSERT_TRUE(found);
    EXPECT_EQ(std::tuple(found->szModule, found->th32ProcessID, found->hModule,
                  found->modBaseSize % 4096, found->ProccntUsage),
        std::tuple("libquorvane_probe_one.so", uint32_t(child->Pid()), found->modBaseAddr, 0u,
            MapsLinesOf(child->Pid(), Probe)));
    EXPECT_GT(found->modBaseSize, 0u);
    EXPECT_GE(found->ProccntUsage, 2u);
    EXPECT_NE(found->th32ModuleID, 0u);
}

TEST_F(ModuleWalk, oneFileHasOneIdInEveryProcessAndItsGlobalUsageFollowsTheProcesses)
{
    const auto first = ChildMapping(Probe);
    const auto second = ChildMapping(Probe);
    Usage.Synchronize();
    const auto inFirst = Find(first->Pid(), Probe);
    const auto inSecond = Find(second->Pid(), Probe);
    ASSERT_TRUE(inFirst && inSecond);
    EXPECT_EQ(std::tuple(inFirst->GlblcntUsage, inSecond->GlblcntUsage, inSecond->th32ModuleID),
        std::tuple(2u, 2u, inFirst->th32ModuleID));
    {
        const auto third = ChildMapping(Probe);
        Usage.Synchronize();
        const auto again = Find(first->Pid(), Probe);
        ASSERT_TRUE(again);
        EXPECT_EQ(std::tuple(again->GlblcntUsage, again->th32ModuleID),
            std::tuple(3u, inFirst->th32ModuleID));
    }
    Usage.Synchronize();
    EXPECT_EQ(Find(first->Pid(), Probe)->GlblcntUsage, 2u);

    // A process the index already knows maps a new file: its mappings changed, so it is read
    // again.
    const std::string other = std::filesystem::canonical(PROBE_TWO);
    ASSERT_TRUE(first->Map(other));
    Usage.Synchronize();
    const auto added = Find(first->Pid(), other);
    ASSERT_TRUE(added);
    EXPECT_NE(added->th32ModuleID, inFirst->th32ModuleID);
    EXPECT_EQ(Usage.GlobalUsage(*Ids.FileOf(added->th32ModuleID)), 1u);
}

TEST_F(ModuleWalk, aWarmPassReadsOnlyTheMapsOfNewOrChangedProcesses)
{
    // The first pass starts by itself and reads every process; asking for one could meet a
    // second.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!Usage.Ready() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const GlobalUsageIndex::PassFigures cold = Usage.LastPass();
    EXPECT_GT(cold.mapsRead, 0u);
    EXPECT_LE(cold.mapsRead, cold.processes) << "kernel threads map nothing";
    const StartedChild child(1);
    Usage.Synchronize();
    EXPECT_GE(Usage.LastPass().mapsRead, 1u) << "the new child at least";
    EXPECT_LT(Usage.LastPass().mapsRead, cold.mapsRead);
}

// Without the fixture's index: the service's own is the one to watch.
TEST(ModuleWalkService, neverWaitsForTheIndexAndSaysWhenCountsChange)
{
    const std::string probe = std::filesystem::canonical(PROBE_ONE);
    std::mutex lock;
    std::condition_variable arrived;
    int calls = 0;
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
