#include "tests/support/FakeSnapshotService.h"

#include "platform/control/LinuxProcessHandle.h"
#include "platform/snapshot/LinuxToolhelpSnapshot.h"

namespace quorvane::testing {

std::unique_ptr<ToolhelpSnapshot> FakeSnapshotService::CreateToolhelp32Snapshot(
    uint32_t flags, uint32_t processId)
{
    ++SnapshotsTaken[flags];
    if (OnSnapshot)
        OnSnapshot();
    if (Refuse)
        return nullptr;
    auto snapshot = std::make_unique<LinuxToolhelpSnapshot>();
    if (flags & TH32CS_SNAPPROCESS)
        snapshot->Processes().Records() = Processes;
    auto& records = snapshot->Threads().Records();
    for (const auto& [pid, threads] : Threads)
        if (flags & TH32CS_SNAPTHREAD)
            records.insert(records.end(), threads.begin(), threads.end());
    if (flags & TH32CS_SNAPMODULE)
        snapshot->Modules().Records() = Modules[processId];
    if (flags & TH32CS_SNAPHEAPLIST)
        snapshot->HeapLists().Records() = Heaps[processId];
    return snapshot;
}

std::unique_ptr<ProcessHandle> FakeSnapshotService::OpenProcess(uint32_t access, uint32_t processId)
{
    for (const PROCESSENTRY32& process : Processes) {
        if (ActOnRealProcesses && process.th32ProcessID == processId)
            return LinuxProcessHandle::Open(access, processId, process.startTime);
    }
    return nullptr;
}

void FakeSnapshotService::SetOnModuleUsageChanged(std::function<void()> onChanged)
{
    UsageChanged = std::move(onChanged);
}

std::optional<uint32_t> FakeSnapshotService::ModuleGlobalUsage(uint32_t moduleId)
{
    return GlobalUsage[moduleId];
}

PROCESSENTRY32& FakeSnapshotService::AddProcess(
    uint32_t pid, const std::string& path, int32_t base, uint32_t threads)
{
    Processes.push_back({ pid, 0, threads, base, path, 0 });
    return Processes.back();
}

} // namespace quorvane::testing
