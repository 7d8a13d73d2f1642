#include "ChildProcess.h"
#include "GlobalUsageIndex.h"
#include "LinuxSnapshotService.h"
#include "ModuleIdTable.h"
#include "ModuleListBuilder.h"

#include <gtest/gtest.h>

#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>

using namespace quorvane;
using quorvane::testing::ChildProcess;

namespace {

std::string RealPath(const char* path)
{
    char resolved[PATH_MAX];
    return ::realpath(path, resolved) ? resolved : path;
}

std::optional<MODULEENTRY32> FindModule(
    uint32_t pid, ModuleIdTable& ids, GlobalUsageIndex& usage, const std::string& path)
{
    std::vector<MODULEENTRY32> modules;
    if (!ReadModules(pid, ids, usage, modules))
        return std::nullopt;
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
        lines += line.size() >= path.size()
            && line.compare(line.size() - path.size(), path.size(), path) == 0;
    return lines;
}

// A dlopen child that has mapped the given libraries.
std::unique_ptr<ChildProcess> ChildMapping(const std::vector<std::string>& libraries)
{
    auto child = std::make_unique<ChildProcess>(DLOPEN_CHILD);
    EXPECT_EQ(child->ReadLine(), "ready");
    for (const std::string& library : libraries) {
        child->Send("open " + library);
        EXPECT_EQ(child->ReadLine(), "ok");
    }
    return child;
}
}

TEST(ModuleWalk, listsALoadedLibraryWithItsExtentAndMappingCount)
{
    ModuleIdTable ids;
    GlobalUsageIndex usage;
    const std::string probe = RealPath(PROBE_ONE);
    const auto child = ChildMapping({ probe });

    std::vector<MODULEENTRY32> modules;
    ASSERT_TRUE(ReadModules(uint32_t(child->Pid()), ids, usage, modules));
    // The executable comes first: it lies lowest.
    ASSERT_FALSE(modules.empty());
    EXPECT_EQ(modules.front().szExePath, RealPath(DLOPEN_CHILD));

    const auto found = std::find_if(modules.begin(), modules.end(),
        [&](const MODULEENTRY32& module) { return module.szExePath == probe; });
    ASSERT_NE(found, modules.end());
    EXPECT_EQ(found->szModule, "libquorvane_probe_one.so");
    EXPECT_EQ(found->th32ProcessID, uint32_t(child->Pid()));
    EXPECT_EQ(found->hModule, found->modBaseAddr);
    EXPECT_GT(found->modBaseSize, 0u);
    EXPECT_EQ(found->modBaseSize % 4096, 0u);
    EXPECT_EQ(found->ProccntUsage, MapsLinesOf(child->Pid(), probe));
    EXPECT_GE(found->ProccntUsage, 2u);
    EXPECT_NE(found->th32ModuleID, 0u);
    for (const MODULEENTRY32& module : modules)
        EXPECT_FALSE(module.szExePath.empty() || module.szExePath.front() != '/');
}

TEST(ModuleWalk, oneFileHasOneIdInEveryProcessAndItsGlobalUsageFollowsTheProcesses)
{
    ModuleIdTable ids;
    GlobalUsageIndex usage;
    const std::string probe = RealPath(PROBE_ONE);
    const std::string other = RealPath(PROBE_TWO);
    const auto first = ChildMapping({ probe });
    const auto second = ChildMapping({ probe });

    usage.Synchronize();
    const auto inFirst = FindModule(uint32_t(first->Pid()), ids, usage, probe);
    const auto inSecond = FindModule(uint32_t(second->Pid()), ids, usage, probe);
    ASSERT_TRUE(inFirst && inSecond);
    EXPECT_EQ(inFirst->th32ModuleID, inSecond->th32ModuleID);
    EXPECT_EQ(inFirst->GlblcntUsage, 2u);
    EXPECT_EQ(inSecond->GlblcntUsage, 2u);

    {
        const auto third = ChildMapping({ probe });
        usage.Synchronize();
        const auto again = FindModule(uint32_t(first->Pid()), ids, usage, probe);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->GlblcntUsage, 3u);
        EXPECT_EQ(again->th32ModuleID, inFirst->th32ModuleID);
    }
    usage.Synchronize();
    EXPECT_EQ(FindModule(uint32_t(first->Pid()), ids, usage, probe)->GlblcntUsage, 2u);

    // A process the index already knows maps a new file: its mappings changed, so it is read
    // again.
    first->Send("open " + other);
    ASSERT_EQ(first->ReadLine(), "ok");
    usage.Synchronize();
    const auto added = FindModule(uint32_t(first->Pid()), ids, usage, other);
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
    EXPECT_LE(cold.mapsRead, cold.processes); // kernel threads map nothing
    const auto child = ChildMapping({});
    usage.Synchronize();
    const GlobalUsageIndex::PassFigures warm = usage.LastPass();
    EXPECT_GE(warm.mapsRead, 1u); // the new child at least
    EXPECT_LT(warm.mapsRead, cold.mapsRead);
}

TEST(ModuleWalk, theServiceNeverWaitsForTheIndexAndSaysWhenCountsChange)
{
    std::mutex lock;
    std::condition_variable arrived;
    int calls = 0;
    const std::string probe = RealPath(PROBE_ONE);
    const auto child = ChildMapping({ probe });
    LinuxSnapshotService service;
    service.SetOnModuleUsageChanged([&] {
        const std::lock_guard guard(lock);
        ++calls;
        arrived.notify_all();
    });
    // Whether the first pass has ended or not, the snapshot answers at once: unknown is 0.
    const std::unique_ptr<ToolhelpSnapshot> snapshot
        = service.CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, uint32_t(child->Pid()));
    ASSERT_TRUE(snapshot);
    std::optional<MODULEENTRY32> found;
    MODULEENTRY32 module;
    for (bool more = snapshot->Module32First(module); more; more = snapshot->Module32Next(module)) {
        if (module.szExePath == probe)
            found = module;
    }
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->GlblcntUsage == 0 || found->GlblcntUsage == 1);

    // A process that appears changes the counts of what it maps.
    const int before = [&] {
        const std::lock_guard guard(lock);
        return calls;
    }();
    const auto newcomer = ChildMapping({ probe });
    service.Modules().Usage().Synchronize();
    {
        std::unique_lock wait(lock);
        arrived.wait(wait, [&] { return calls > before; });
    }
    EXPECT_EQ(service.ModuleGlobalUsage(found->th32ModuleID), 2u);
    EXPECT_EQ(service.ModuleGlobalUsage(0), std::nullopt);
    service.SetOnModuleUsageChanged(nullptr);
}
