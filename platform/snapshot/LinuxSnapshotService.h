#pragma once

#include "platform/proc/ExecutableTypeCache.h"
#include "platform/snapshot/SnapshotBuilder.h"
#include "platform/snapshot/SnapshotService.h"

#include <future>
#include <memory>
#include <optional>
#include <vector>

namespace quorvane {

class HeapWalkScratchPool;
class ModuleListBuilder;
class ProcessTable;

// Snapshots of the running system read from /proc. Each kind flag is served by its own builder;
// builders keep what they can between snapshots (open descriptors, cached paths), which is why the
// main window keeps one service for its whole life.
class LinuxSnapshotService : public SnapshotService {
public:
    LinuxSnapshotService();
    ~LinuxSnapshotService() override;

    // Known without a system call for a record of the last process snapshot: read from the image
    // the process runs when it exec'd (so also for a deleted file), kept until it execs again.
    uint32_t ExecutableTypeOf(const PROCESSENTRY32& record) override;

    std::unique_ptr<ToolhelpSnapshot> CreateToolhelp32Snapshot(
        uint32_t flags, uint32_t processId) override;

    // Starts reading the next process snapshot on a worker thread, so that it is read while the
    // caller does other work (the program's start builds its window meanwhile); the next process
    // snapshot asked for is that one. Every other call waits for the reading to end first.
    void PrefetchProcesses();

    std::unique_ptr<HeapWalk> CreateHeapWalk() override;
    // Only a process the last process snapshot listed, and only while it is still that process.
    std::unique_ptr<ProcessHandle> OpenProcess(uint32_t access, uint32_t processId) override;
    void SetOnModuleUsageChanged(std::function<void()> onChanged) override;
    std::optional<uint32_t> ModuleGlobalUsage(uint32_t moduleId) override;

    ProcessTable& Processes();
    ModuleListBuilder& Modules() { return *FModules; }

protected:
    // The builder that answers `flag` (one TH32CS_SNAP* bit); a later one for the same flag wins.
    void AddBuilder(uint32_t flag, std::unique_ptr<SnapshotBuilder> builder);

private:
    struct KindBuilder {
        uint32_t Flag;
        std::unique_ptr<SnapshotBuilder> Builder;
    };
    ExecutableTypeCache FTypes; // for records the table does not know
    std::vector<KindBuilder> FBuilders;
    ProcessTable* FProcesses = nullptr; // owned by FBuilders
    ModuleListBuilder* FModules = nullptr; // owned by FBuilders
    std::shared_ptr<HeapWalkScratchPool> FHeapWalkScratch; // shared with the walks it hands out

    // The process table is the prefetch's alone until it has ended.
    void SettlePrefetch();
    std::optional<std::unique_ptr<ToolhelpSnapshot>> FPrefetched;
    std::future<std::unique_ptr<ToolhelpSnapshot>> FPrefetch; // last: ends before the rest goes
};

} // namespace quorvane
