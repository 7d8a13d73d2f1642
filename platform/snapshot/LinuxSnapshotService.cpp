#include "platform/snapshot/LinuxSnapshotService.h"

#include "platform/control/LinuxProcessHandle.h"
#include "platform/heap/GlibcHeapWalk.h"
#include "platform/heap/HeapWalkScratchPool.h"
#include "platform/snapshot/HeapListBuilder.h"
#include "platform/snapshot/LinuxToolhelpSnapshot.h"
#include "platform/snapshot/ModuleListBuilder.h"
#include "platform/snapshot/ProcessTable.h"
#include "platform/snapshot/ThreadListBuilder.h"

#include <algorithm>

namespace quorvane {

LinuxSnapshotService::LinuxSnapshotService()
    : FHeapWalkScratch(std::make_shared<HeapWalkScratchPool>())
{
    auto processes = std::make_unique<ProcessTable>();
    FProcesses = processes.get();
    AddBuilder(TH32CS_SNAPPROCESS, std::move(processes));
    AddBuilder(TH32CS_SNAPTHREAD, std::make_unique<ThreadListBuilder>());
    auto modules = std::make_unique<ModuleListBuilder>();
    FModules = modules.get();
    AddBuilder(TH32CS_SNAPMODULE, std::move(modules));
    AddBuilder(TH32CS_SNAPHEAPLIST, std::make_unique<HeapListBuilder>());
}

void LinuxSnapshotService::PrefetchProcesses()
{
    SettlePrefetch();
    FPrefetched.reset();
    const auto kind = std::find_if(FBuilders.begin(), FBuilders.end(),
        [](const KindBuilder& builder) { return builder.Flag == TH32CS_SNAPPROCESS; });
    if (kind == FBuilders.end())
        return;
    SnapshotBuilder* builder = kind->Builder.get();
    FPrefetch = std::async(std::launch::async, [builder]() -> std::unique_ptr<ToolhelpSnapshot> {
        auto snapshot = std::make_unique<LinuxToolhelpSnapshot>();
        if (!builder->Build(0, *snapshot))
            return nullptr;
        return snapshot;
    });
}

void LinuxSnapshotService::SettlePrefetch()
{
    if (FPrefetch.valid())
        FPrefetched = FPrefetch.get();
}

ProcessTable& LinuxSnapshotService::Processes()
{
    SettlePrefetch();
    return *FProcesses;
}

std::unique_ptr<HeapWalk> LinuxSnapshotService::CreateHeapWalk()
{
    return std::make_unique<GlibcHeapWalk>(FHeapWalkScratch);
}

std::unique_ptr<ProcessHandle> LinuxSnapshotService::OpenProcess(
    uint32_t access, uint32_t processId)
{
    SettlePrefetch();
    const std::optional<uint64_t> startTime = FProcesses->StartTimeOf(processId);
    return startTime ? LinuxProcessHandle::Open(access, processId, *startTime) : nullptr;
}

void LinuxSnapshotService::SetOnModuleUsageChanged(std::function<void()> onChanged)
{
    if (FModules)
        FModules->SetOnUsageChanged(std::move(onChanged));
}

std::optional<uint32_t> LinuxSnapshotService::ModuleGlobalUsage(uint32_t moduleId)
{
    return FModules ? FModules->ModuleGlobalUsage(moduleId) : std::nullopt;
}

LinuxSnapshotService::~LinuxSnapshotService() = default;

void LinuxSnapshotService::AddBuilder(uint32_t flag, std::unique_ptr<SnapshotBuilder> builder)
{
    SettlePrefetch();
    FPrefetched.reset();
    std::erase_if(FBuilders, [flag](const KindBuilder& kind) { return kind.Flag == flag; });
    if (flag == TH32CS_SNAPMODULE)
        FModules = dynamic_cast<ModuleListBuilder*>(builder.get());
    FBuilders.push_back({ flag, std::move(builder) });
}

std::unique_ptr<ToolhelpSnapshot> LinuxSnapshotService::CreateToolhelp32Snapshot(
    uint32_t flags, uint32_t processId)
{
    SettlePrefetch();
    if (flags == TH32CS_SNAPPROCESS && FPrefetched) {
        std::unique_ptr<ToolhelpSnapshot> prefetched = std::move(*FPrefetched);
        FPrefetched.reset();
        return prefetched;
    }
    auto snapshot = std::make_unique<LinuxToolhelpSnapshot>();
    for (const KindBuilder& kind : FBuilders)
        if ((flags & kind.Flag) && !kind.Builder->Build(processId, *snapshot))
            return nullptr;
    return snapshot;
}

uint32_t LinuxSnapshotService::ExecutableTypeOf(const PROCESSENTRY32& record)
{
    SettlePrefetch();
    if (const std::optional<uint32_t> type = FProcesses->ExecutableTypeOf(record))
        return *type;
    return FTypes.TypeOf(record.szExeFile);
}

} // namespace quorvane
