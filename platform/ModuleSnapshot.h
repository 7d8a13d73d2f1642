#pragma once

#include "ProcMaps.h"
#include "RecordCursor.h"
#include "ToolhelpSnapshot.h"

#include <memory>
#include <vector>

namespace quorvane {

class GlobalUsageIndex;
class ModuleIdTable;

// The files mapped into one process, read from /proc/PID/maps when the snapshot is taken.
class ModuleSnapshot : public ToolhelpSnapshot {
public:
    explicit ModuleSnapshot(std::vector<MODULEENTRY32> modules);

    bool Module32First(MODULEENTRY32& module) override;
    bool Module32Next(MODULEENTRY32& module) override;

private:
    RecordCursor<MODULEENTRY32> FModules;
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

// The modules of the process: each file with its identifier from ids and its global usage from
// usage, 0 while that is not known yet. Hands the process's files to usage and asks it for a new
// pass. nullptr when the process's maps cannot be read.
std::unique_ptr<ToolhelpSnapshot> CreateModuleSnapshot(
    uint32_t processId, ModuleIdTable& ids, GlobalUsageIndex& usage);

} // namespace quorvane
