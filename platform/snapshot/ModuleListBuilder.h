#pragma once

#include "platform/proc/ProcMaps.h"
#include "platform/snapshot/GlobalUsageIndex.h"
#include "platform/snapshot/ModuleIdTable.h"
#include "platform/snapshot/SnapshotBuilder.h"
#include "platform/snapshot/ToolHelp.h"

#include <functional>
#include <optional>
#include <vector>

namespace quorvane {

// The module walk: the files mapped into the one process asked for, from /proc/PID/maps. Keeps
// for the program's run the module identifiers and the index of global usage, whose worker
// starts with the builder so that counts are known by the time someone asks.
class ModuleListBuilder : public SnapshotBuilder {
public:
    bool Build(uint32_t processId, LinuxToolhelpSnapshot& snapshot) override;

    // The number of processes that map the module now; nothing while that is not known yet.
    std::optional<uint32_t> ModuleGlobalUsage(uint32_t moduleId) const;
    // Called on the index's worker thread when global usage counts became known or changed.
    void SetOnUsageChanged(std::function<void()> onChanged);

    ModuleIdTable& Ids() { return FIds; }
    GlobalUsageIndex& Usage() { return FUsage; }

private:
    ModuleIdTable FIds;
    GlobalUsageIndex FUsage;
};

// All mappings of one file in one process.
struct MappedFile {
    FileKey file;
    uint64_t low = 0; // lowest address
    uint64_t high = 0; // end of the highest mapping
    uint32_t mappings = 0;
    std::string_view path; // of its first mapping, as maps writes it
};

// One entry per file, in the order of each file's lowest address; anonymous memory and the
// kernel's pseudo-files are left out.
std::vector<MappedFile> GroupMappedFiles(const std::vector<MapRegion>& regions);

// The modules of the process, each file with its identifier from ids and its global usage from
// usage (0 while that is not known yet). Hands the process's files to usage and asks it for a
// new pass; never waits for one. False when the process's maps cannot be read.
bool ReadModules(uint32_t processId, ModuleIdTable& ids, GlobalUsageIndex& usage,
    std::vector<MODULEENTRY32>& modules);

} // namespace quorvane
