#pragma once

#include "platform/proc/FileKey.h"
#include "platform/snapshot/MappingKey.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace quorvane {

// How many processes map each file, system-wide, kept current by a worker thread. A pass reads
// /proc/PID/stat of every process and re-reads /proc/PID/maps only of processes that are new or
// whose MappingKey moved, so a warm pass costs about one stat read a process. Nobody waits for a
// pass: until the first one ends the counts are unknown, and a callback says when they change.
class GlobalUsageIndex {
public:
    // What the last finished pass did.
    struct PassFigures {
        uint32_t processes = 0; // seen in /proc
        uint32_t mapsRead = 0; // of these, new or changed
        double seconds = 0;
    };

    // Starts the worker. Its first pass waits MinimumGap (or a Synchronize), so that it does not
    // compete with the program's start, when the first snapshot is read and the window built.
    GlobalUsageIndex();
    ~GlobalUsageIndex();
    GlobalUsageIndex(const GlobalUsageIndex&) = delete;
    GlobalUsageIndex& operator=(const GlobalUsageIndex&) = delete;

    // Asks for another pass and returns at once; requests made during a pass make one more. A
    // requested pass starts no sooner than MinimumGap after the last one ended, so a user
    // running through the process list does not keep a core busy.
    void Refresh();
    // Asks for a pass at once and waits until one that began after the call has ended.
    void Synchronize();

    // The number of processes mapping the file; nothing until the first pass has ended.
    std::optional<uint32_t> GlobalUsage(const FileKey& file) const;
    bool Ready() const;
    PassFigures LastPass() const;

    // A caller that has just read one process's maps hands in what it saw (distinct files,
    // sorted), so that process counts at once as it is now.
    void Record(uint32_t processId, const MappingKey& key, std::vector<FileKey> files);

    // Runs on the worker thread after a pass that made counts known or changed them. Once this
    // returns, the previous callback is not running and will not run again. The callback must
    // not call back into SetOnChanged.
    void SetOnChanged(std::function<void()> onChanged);

private:
    struct ProcessFiles {
        MappingKey key;
        std::vector<FileKey> files;
        uint64_t pass = 0; // the last pass that saw it
    };

    void Run();
    void RunPass();
    // Under FLock. True when a count changed.
    bool Apply(
        uint32_t processId, const MappingKey& key, std::vector<FileKey> files, uint64_t pass);
    bool Forget(uint64_t pass);
    void NotifyChanged();

    static constexpr std::chrono::milliseconds MinimumGap { 500 };

    mutable std::mutex FLock;
    std::condition_variable FWake;
    std::condition_variable FPassEnded;
    bool FStop = false;
    bool FRequested = true;
    bool FUrgent = false; // no gap before the next pass
    std::chrono::steady_clock::time_point FLastPassEnd;
    bool FRunning = false;
    bool FReady = false;
    uint64_t FPassNumber = 0; // the pass running or last run
    uint64_t FPassesDone = 0;
    PassFigures FLastPass;
    std::unordered_map<uint32_t, ProcessFiles> FProcesses;
    std::unordered_map<FileKey, uint32_t, FileKeyHash> FCounts;

    std::mutex FCallbackLock;
    std::function<void()> FOnChanged;

    std::thread FWorker; // last: starts once everything above exists
};

// The distinct files (sorted) that a maps text maps.
std::vector<FileKey> MappedFileKeys(std::string_view mapsText);

} // namespace quorvane
