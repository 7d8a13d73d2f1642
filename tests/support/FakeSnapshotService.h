#pragma once

#include "platform/snapshot/SnapshotService.h"

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace quorvane::testing {

// A system of a chosen shape: the processes, and per process its threads, modules and heaps.
class FakeSnapshotService : public SnapshotService {
public:
    std::vector<PROCESSENTRY32> Processes;
    std::map<uint32_t, std::vector<THREADENTRY32>> Threads; // every thread snapshot holds them all
    std::map<uint32_t, std::vector<MODULEENTRY32>> Modules;
    std::map<uint32_t, std::vector<HEAPLIST32>> Heaps;
    std::map<uint32_t, int> SnapshotsTaken; // by kind
    bool Refuse = false; // hands out no snapshot at all
    std::function<void()> OnSnapshot; // runs as each snapshot is asked for: tests fail it here
    // Hands out real handles on the listed processes, checked against the records' start times;
    // off, no process can be opened.
    bool ActOnRealProcesses = false;
    std::map<uint32_t, std::optional<uint32_t>> GlobalUsage; // known counts by module identifier
    std::function<void()> UsageChanged; // the window's callback; a test runs it as the worker would

    std::unique_ptr<ToolhelpSnapshot> CreateToolhelp32Snapshot(
        uint32_t flags, uint32_t processId) override;
    std::unique_ptr<ProcessHandle> OpenProcess(uint32_t access, uint32_t processId) override;
    void SetOnModuleUsageChanged(std::function<void()> onChanged) override;
    std::optional<uint32_t> ModuleGlobalUsage(uint32_t moduleId) override;

    PROCESSENTRY32& AddProcess(
        uint32_t pid, const std::string& path, int32_t base = 8, uint32_t threads = 1);
};

} // namespace quorvane::testing
