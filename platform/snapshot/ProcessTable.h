#pragma once

#include "platform/posix/UniqueFd.h"
#include "platform/proc/FileKey.h"
#include "platform/proc/ProcStat.h"
#include "platform/snapshot/SharedLoop.h"
#include "platform/snapshot/SnapshotBuilder.h"
#include "platform/snapshot/ToolHelp.h"

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
// Kept descriptors take numbers from KeptDescriptorBase up, so that those below stay free for
// whatever the rest of the program opens (select() and FD_SET end at 1,023); at most KeepCap are
// kept, and the processes past them are read by opening their `stat` each time.
class ProcessTable : public SnapshotBuilder {
public:
    static constexpr int KeptDescriptorBase = 2048;
    // Each kept descriptor holds about 4.1 KiB of kernel memory (the page its text is read into,
    // and the open file) and saves about 1.8 us of CPU a refresh (bench/snapshot.cpp at 5,000
    // processes: 20.5 MB for 9 ms). That is worth it for a refresh run on every activation, up to
    // 32 MiB; past that the memory would grow with the machine while each saving stays as small.
    static constexpr size_t KeepCap = 8192;
    // From this many processes on, the kept files are read again on two threads, in chunks.
    static constexpr size_t ParallelRereadFrom = 512;
    static constexpr size_t RereadChunk = 64;

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
    // Keeps at most this many from now on (never more than the descriptors allow).
    void SetKeepLimit(size_t limit);
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
        // The text of `stat` last read and what it says: a text read again unchanged (a process
        // that has not run since) is not parsed again.
        std::string Text;
        std::optional<ProcStat> Parsed;
    };
    enum class StatRead { Read, Gone, Unreadable };
    // The type read from an executable's header, and what says the file is still the one read.
    struct ImageType {
        int64_t ModifiedSeconds = 0;
        int64_t ModifiedNanoseconds = 0;
        int64_t Size = 0;
        uint32_t Type = 0;
        bool SameFile(const ImageType& other) const
        {
            return ModifiedSeconds == other.ModifiedSeconds
                && ModifiedNanoseconds == other.ModifiedNanoseconds && Size == other.Size;
        }
    };
    static constexpr size_t MaxImageTypes = 4096;
    // A process of the walk: its kept stat file, when there is one, read again before the rest.
    struct Listed {
        uint32_t Pid = 0;
        Entry* Process = nullptr;
        bool Reread = false; // its Parsed is this walk's
    };

    void RereadKept();
    static void TakeText(Entry& entry, std::string_view text);
    StatRead ReadStat(uint32_t pid, Entry& entry, size_t& length);
    StatRead OpenAndReadStat(uint32_t pid, Entry& entry, size_t& length);
    // Keeps the descriptor of a `stat` just read, moved up to the high range.
    void Keep(Entry& entry, const UniqueFd& fd);
    void ReleaseKeptDescriptors(size_t count);
    std::string ExecutablePath(uint32_t pid, Entry& entry, const ProcStat& stat);
    // The type of the file a process runs, through its exe link (so also of a deleted file).
    uint32_t TypeOfRunningImage(const char* exeLink);
    void Forget(uint64_t walk);

    struct DirCloser {
        void operator()(DIR* dir) const;
    };
    std::unique_ptr<DIR, DirCloser> FProc;
    std::unordered_map<uint32_t, Entry> FEntries;
    std::vector<Listed> FListed; // the walk's, kept for its allocation
    std::unordered_map<FileKey, ImageType, FileKeyHash> FImageTypes;
    std::array<char, 4096> FBuffer {};
    std::array<char, 4096> FHelperBuffer {};
    size_t FKept = 0;
    size_t FKeepLimit = 0;
    uint64_t FWalk = 0;
    SharedLoop FReread;
};

} // namespace quorvane
