#include "FakeSystem.h"

#include "LinuxProcessHandle.h"
#include "RecordWalk.h"

namespace quorvane::testing {

namespace {
    template <typename Record>
    RecordWalk<Record> WalkOf(bool wanted, const std::vector<Record>& records)
    {
        RecordWalk<Record> walk;
        if (wanted)
            walk.Records() = records;
        return walk;
    }
    template <typename Record>
    RecordWalk<Record> WalkOf(
        bool wanted, const std::map<uint32_t, std::vector<Record>>& table, uint32_t pid)
    {
        const auto found = table.find(pid);
        return found == table.end() ? RecordWalk<Record>() : WalkOf(wanted, found->second);
    }

    class FakeSnapshot : public ToolhelpSnapshot {
    public:
        FakeSnapshot(const FakeSnapshotService& system, uint32_t flags, uint32_t processId)
            : FOnWalk(system.OnWalk)
            , FProcesses(WalkOf(flags & TH32CS_SNAPPROCESS, system.Processes))
            , FModules(WalkOf(flags & TH32CS_SNAPMODULE, system.Modules, processId))
            , FHeaps(WalkOf(flags & TH32CS_SNAPHEAPLIST, system.Heaps, processId))
        {
            for (const auto& [pid, threads] : system.Threads) {
                if (flags & TH32CS_SNAPTHREAD)
                    FThreads.Records().insert(
                        FThreads.Records().end(), threads.begin(), threads.end());
            }
        }

        bool Process32First(PROCESSENTRY32& r) override { return Walk(), FProcesses.First(r); }
        bool Process32Next(PROCESSENTRY32& r) override { return FProcesses.Next(r); }
        bool Thread32First(THREADENTRY32& r) override { return Walk(), FThreads.First(r); }
        bool Thread32Next(THREADENTRY32& r) override { return FThreads.Next(r); }
        bool Module32First(MODULEENTRY32& r) override { return Walk(), FModules.First(r); }
        bool Module32Next(MODULEENTRY32& r) override { return FModules.Next(r); }
        bool Heap32ListFirst(HEAPLIST32& r) override { return Walk(), FHeaps.First(r); }
        bool Heap32ListNext(HEAPLIST32& r) override { return FHeaps.Next(r); }

    private:
        void Walk() const
        {
            if (FOnWalk)
                FOnWalk();
        }

        std::function<void()> FOnWalk;
        RecordWalk<PROCESSENTRY32> FProcesses;
        RecordWalk<THREADENTRY32> FThreads;
        RecordWalk<MODULEENTRY32> FModules;
        RecordWalk<HEAPLIST32> FHeaps;
    };
}

std::unique_ptr<ToolhelpSnapshot> FakeSnapshotService::CreateToolhelp32Snapshot(
    uint32_t flags, uint32_t processId)
{
    ++SnapshotsTaken[flags];
    if (Refuse)
        return nullptr;
    return std::make_unique<FakeSnapshot>(*this, flags, processId);
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
    PROCESSENTRY32 process;
    process.th32ProcessID = pid;
    process.szExeFile = path;
    process.pcPriClassBase = base;
    process.cntThreads = threads;
    Processes.push_back(process);
    return Processes.back();
}

std::optional<uint32_t> FakeSnapshotService::ModuleGlobalUsage(uint32_t moduleId)
{
    const auto found = GlobalUsage.find(moduleId);
    return found == GlobalUsage.end() ? std::nullopt : std::optional(found->second);
}

} // namespace quorvane::testing
