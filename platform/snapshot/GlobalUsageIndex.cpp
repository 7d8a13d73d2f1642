#include "platform/snapshot/GlobalUsageIndex.h"

#include "platform/posix/UniqueFd.h"
#include "platform/proc/ProcFiles.h"
#include "platform/proc/ProcMaps.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <string>

namespace quorvane {

std::vector<FileKey> MappedFileKeys(std::string_view mapsText)
{
    std::vector<FileKey> files;
    while (!mapsText.empty()) {
        const size_t end = mapsText.find('\n');
        const auto region = ParseMapsLine(mapsText.substr(0, end));
        // Mappings of one file are usually neighbours: skip the repeats before sorting.
        if (region && region->IsFile() && (files.empty() || files.back() != region->file))
            files.push_back(region->file);
        mapsText.remove_prefix(end == std::string_view::npos ? mapsText.size() : end + 1);
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    return files;
}

GlobalUsageIndex::GlobalUsageIndex()
    : FLastPassEnd(std::chrono::steady_clock::now())
    , FWorker([this] { Run(); })
{
}

GlobalUsageIndex::~GlobalUsageIndex()
{
    {
        const std::lock_guard lock(FLock);
        FStop = true;
    }
    FWake.notify_all();
    FWorker.join();
}

void GlobalUsageIndex::Refresh()
{
    {
        const std::lock_guard lock(FLock);
        FRequested = true;
    }
    FWake.notify_all();
}

void GlobalUsageIndex::Synchronize()
{
    std::unique_lock lock(FLock);
    FRequested = true;
    FUrgent = true;
    // A pass already running may have listed /proc before the caller's change.
    const uint64_t wanted = FPassesDone + (FRunning ? 2 : 1);
    FWake.notify_all();
    FPassEnded.wait(lock, [&] { return FPassesDone >= wanted || FStop; });
}

std::optional<uint32_t> GlobalUsageIndex::GlobalUsage(const FileKey& file) const
{
    const std::lock_guard lock(FLock);
    if (!FReady)
        return std::nullopt;
    const auto count = FCounts.find(file);
    return count == FCounts.end() ? 0 : count->second;
}

bool GlobalUsageIndex::Ready() const
{
    const std::lock_guard lock(FLock);
    return FReady;
}

GlobalUsageIndex::PassFigures GlobalUsageIndex::LastPass() const
{
    const std::lock_guard lock(FLock);
    return FLastPass;
}

void GlobalUsageIndex::Record(uint32_t processId, const MappingKey& key, std::vector<FileKey> files)
{
    const std::lock_guard lock(FLock);
    Apply(processId, key, std::move(files), FPassNumber);
}

void GlobalUsageIndex::SetOnChanged(std::function<void()> onChanged)
{
    const std::lock_guard lock(FCallbackLock);
    FOnChanged = std::move(onChanged);
}

void GlobalUsageIndex::Run()
{
    for (;;) {
        {
            std::unique_lock lock(FLock);
            FWake.wait(lock, [this] { return FRequested || FStop; });
            FWake.wait_until(lock, FLastPassEnd + MinimumGap, [this] { return FUrgent || FStop; });
            if (FStop)
                break;
            FRequested = false;
            FUrgent = false;
            FRunning = true;
        }
        RunPass();
    }
    const std::lock_guard lock(FLock);
    FRunning = false;
    FPassEnded.notify_all();
}

void GlobalUsageIndex::RunPass()
{
    const auto started = std::chrono::steady_clock::now();
    uint64_t pass = 0;
    {
        const std::lock_guard lock(FLock);
        pass = ++FPassNumber;
    }
    PassFigures figures;
    bool changed = false;
    const UniqueFd proc(::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const std::vector<uint32_t> processes
        = proc.Valid() ? ListNumericEntries(proc.Get()) : std::vector<uint32_t>();
    std::string path;
    for (const uint32_t processId : processes) {
        path = std::to_string(processId) + "/stat";
        const std::optional<std::string> stat = ReadProcFile(proc.Get(), path.c_str());
        const std::optional<MappingKey> key = stat ? ParseMappingKey(*stat) : std::nullopt;
        if (!key)
            continue; // gone
        ++figures.processes;
        {
            const std::lock_guard lock(FLock);
            if (FStop)
                return;
            const auto known = FProcesses.find(processId);
            if (known != FProcesses.end() && known->second.key == *key) {
                known->second.pass = pass;
                continue;
            }
        }
        // stat before maps: a change between the two shows as a new key next time.
        std::vector<FileKey> files;
        if (!key->kernelThread) {
            path = std::to_string(processId) + "/maps";
            if (const std::optional<std::string> maps = ReadProcFile(proc.Get(), path.c_str()))
                files = MappedFileKeys(*maps);
            ++figures.mapsRead;
        }
        const std::lock_guard lock(FLock);
        changed |= Apply(processId, *key, std::move(files), pass);
    }
    {
        const std::lock_guard lock(FLock);
        changed |= Forget(pass);
        changed |= !FReady;
        FReady = true;
        figures.seconds
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        FLastPass = figures;
        FLastPassEnd = std::chrono::steady_clock::now();
        ++FPassesDone;
        FRunning = false;
    }
    FPassEnded.notify_all();
    if (changed)
        NotifyChanged();
}

bool GlobalUsageIndex::Apply(
    uint32_t processId, const MappingKey& key, std::vector<FileKey> files, uint64_t pass)
{
    ProcessFiles& process = FProcesses[processId];
    process.key = key;
    process.pass = pass;
    if (process.files == files)
        return false;
    for (const FileKey& file : process.files) {
        const auto count = FCounts.find(file);
        if (count != FCounts.end() && --count->second == 0)
            FCounts.erase(count);
    }
    for (const FileKey& file : files)
        ++FCounts[file];
    process.files = std::move(files);
    return true;
}

bool GlobalUsageIndex::Forget(uint64_t pass)
{
    bool changed = false;
    for (auto process = FProcesses.begin(); process != FProcesses.end();) {
        if (process->second.pass >= pass) {
            ++process;
            continue;
        }
        changed |= Apply(process->first, {}, {}, pass);
        process = FProcesses.erase(process);
    }
    return changed;
}

void GlobalUsageIndex::NotifyChanged()
{
    const std::lock_guard lock(FCallbackLock);
    if (FOnChanged)
        FOnChanged();
}

} // namespace quorvane
