#pragma once

#include "platform/snapshot/ToolHelp.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace quorvane {

// The process list's rows of the last fill, by process: a process whose record is the same as
// then gets the very same texts again (shared, not copied). A refill of a steady system then
// makes no texts, looks up no icons and frees none of the old rows' texts.
class ProcessRows {
public:
    struct Row {
        QString Caption;
        QStringList SubItems;
        int Image = -1;
    };

    // The row of the process; `make` makes it for a process not seen or changed since.
    template <typename Make>
    const Row& Find(const PROCESSENTRY32& process, uint32_t type, Make&& make)
    {
        const auto [found, added] = FByPid.try_emplace(process.th32ProcessID);
        Entry& entry = found->second;
        entry.Generation = FGeneration;
        if (added || !sameRecord(entry, process, type)) {
            entry.Cached = make();
            entry.StartTime = process.startTime;
            entry.Priority = process.pcPriClassBase;
            entry.Threads = process.cntThreads;
            entry.Type = type;
            entry.Path = process.szExeFile;
        }
        return entry.Cached;
    }

    // Forgets the rows not found since the last call: processes that are gone.
    void Sweep();
    size_t Count() const { return FByPid.size(); }

private:
    struct Entry {
        Row Cached;
        std::string Path;
        uint64_t StartTime = 0;
        int32_t Priority = 0;
        uint32_t Threads = 0;
        uint32_t Type = 0;
        uint32_t Generation = 0;
    };

    static bool sameRecord(const Entry& entry, const PROCESSENTRY32& process, uint32_t type)
    {
        return entry.StartTime == process.startTime && entry.Priority == process.pcPriClassBase
            && entry.Threads == process.cntThreads && entry.Type == type
            && entry.Path == process.szExeFile;
    }

    std::unordered_map<uint32_t, Entry> FByPid;
    uint32_t FGeneration = 0;
};

} // namespace quorvane
