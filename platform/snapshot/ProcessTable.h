#pragma once

#include "ProcStat.h"
#include "SnapshotBuilder.h"
#include "ToolHelp.h"
#include "UniqueFd.h"

#include <array>
#include <dirent.h>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorvane {

// The process walk over /proc, with what it keeps between walks: each process's `stat` stays open
// and is re-read from offset 0, and the executable path is kept for as long as the process has not
// exec'd since it was read. A process that ends during the walk is left out.
class ProcessTable : public SnapshotBuilder {
public:
    ProcessTable();
    ~ProcessTable() override;

    bool Build(uint32_t processId, LinuxToolhelpSnapshot& snapshot) override;

    // One record per process, in /proc order; false when /proc cannot be listed.
    bool Read(std::vector<PROCESSENTRY32>& records);

    // The type of the executable a record of the last walk names, read from the running image
    // when the path was read; nothing for a record this table did not deliver as it is.
    std::optional<uint32_t> ExecutableTypeOf(const PROCESSENTRY32& record) const;

    // The start time of a process the last walk listed; nothing for any other identifier.
    std::optional<uint64_t> StartTimeOf(uint32_t processId) const;

    size_t KeptDescriptors() const { return FKept; }
    size_t KnownProcesses() const { return FEntries.size(); }

private:
    // What changes whenever the process execs: a path read under the same key is still current.
    struct ExecKey {
        uint64_t StartTime = 0;
        uint64_t StartCode = 0;
        uint64_t EndCode = 0;
        uint64_t ArgStart = 0;
        std::string Name;
        bool operator==(const ExecKey&) const = default;
    };
    struct Entry {
        UniqueFd Stat;
        std::optional<ExecKey> Key;
        std::optional<std::string> ExePath; // nothing when the link could not be read
        uint32_t ExeType = 0;
        uint64_t Seen = 0;
        std::optional<uint64_t> Listed; // the start time of the record of the last walk
    };
    enum class StatRead { Read, Gone, Unreadable };

    StatRead ReadStat(uint32_t pid, Entry& entry, size_t& length);
    StatRead OpenAndReadStat(uint32_t pid, Entry& entry, size_t& length);
    void ReleaseKeptDescriptors(size_t count);
    std::string ExecutablePath(uint32_t pid, Entry& entry, const ProcStat& stat);
    void Forget(uint64_t walk);

    struct DirCloser {
        void operator()(DIR* dir) const;
    };
    std::unique_ptr<DIR, DirCloser> FProc;
    std::unordered_map<uint32_t, Entry> FEntries;
    std::array<char, 4096> FBuffer {};
    size_t FKept = 0;
    size_t FKeepLimit = 0;
    uint64_t FWalk = 0;
};

} // namespace quorvane
