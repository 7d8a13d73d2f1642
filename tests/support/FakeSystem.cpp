#include "FakeSystem.h"

#include "LinuxProcessHandle.h"
#include "LinuxToolhelpSnapshot.h"

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
    for (const auto& [pid, threads] : Threads) {
        if (flags & TH32CS_SNAPTHREAD)
            snapshot->Threads().Records().insert(
                snapshot->Threads().Records().end(), threads.begin(), threads.end());
    }
    if ((flags & TH32CS_SNAPMODULE) && Modules.count(processId))
        snapshot->Modules().Records() = Modules.at(processId);
    if ((flags & TH32CS_SNAPHEAPLIST) && Heaps.count(processId))
        snapshot->HeapLists().Records() = Heaps.at(processId);
    return snapshot;
}

std::unique_ptr<ProcessHandle> FakeSnapshotService::OpenProcess(uint32_t access, uint32_t processId)
{
    if (!ActOnRealProcesses)
        return nullptr;
    for (const PROCESSENTRY32& process : Processes)
        if (process.th32ProcessID == processId)
            return LinuxProcessHandle::Open(access, processId, process.startTime);
    return nullptr;
}

PROCESSENTRY32& FakeSnapshotService::AddProcess(
    uint32_t pid, const std::string& path, int32_t base, uint32_t threads)
{
    Processes.push_back({ pid, 0, threads, base, path, 0 });
    return Processes.back();
}

std::optional<uint32_t> FakeSnapshotService::ModuleGlobalUsage(uint32_t moduleId)
{
    const auto found = GlobalUsage.find(moduleId);
    return found == GlobalUsage.end() ? std::nullopt : std::optional(found->second);
}

} // namespace quorvane::testing
