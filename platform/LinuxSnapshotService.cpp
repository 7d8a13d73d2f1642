#include "LinuxSnapshotService.h"

#include "LinuxToolhelpSnapshot.h"
#include "ProcessTable.h"

#include <algorithm>

namespace quorvane {

LinuxSnapshotService::LinuxSnapshotService()
{
    auto processes = std::make_unique<ProcessTable>();
    FProcesses = processes.get();
    AddBuilder(TH32CS_SNAPPROCESS, std::move(processes));
}

LinuxSnapshotService::~LinuxSnapshotService() = default;

void LinuxSnapshotService::AddBuilder(uint32_t flag, std::unique_ptr<SnapshotBuilder> builder)
{
    std::erase_if(FBuilders, [flag](const KindBuilder& kind) { return kind.Flag == flag; });
    FBuilders.push_back({ flag, std::move(builder) });
}

std::unique_ptr<ToolhelpSnapshot> LinuxSnapshotService::CreateToolhelp32Snapshot(
    uint32_t flags, uint32_t processId)
{
    auto snapshot = std::make_unique<LinuxToolhelpSnapshot>();
    for (const KindBuilder& kind : FBuilders)
        if ((flags & kind.Flag) && !kind.Builder->Build(processId, *snapshot))
            return nullptr;
    return snapshot;
}

uint32_t LinuxSnapshotService::ExecutableTypeOf(const PROCESSENTRY32& record)
{
    if (const std::optional<uint32_t> type = FProcesses->ExecutableTypeOf(record))
        return *type;
    return FTypes.TypeOf(record.szExeFile);
}

} // namespace quorvane
