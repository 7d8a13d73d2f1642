#include "ThreadListBuilder.h"

#include "LinuxToolhelpSnapshot.h"
#include "Priority.h"
#include "ProcFiles.h"
#include "ProcStat.h"
#include "UniqueFd.h"

#include <fcntl.h>
#include <string>

namespace quorvane {

bool ThreadListBuilder::Build(uint32_t processId, LinuxToolhelpSnapshot& snapshot)
{
    return ReadThreads(processId, snapshot.Threads().Records());
}

namespace {
    std::optional<ProcStat> ReadStat(int dirFd, const char* path)
    {
        const std::optional<std::string> text = ReadProcFile(dirFd, path);
        return text ? ParseProcStat(*text) : std::nullopt;
    }
}

bool ReadThreads(uint32_t processId, std::vector<THREADENTRY32>& threads)
{
    const std::string processPath = "/proc/" + std::to_string(processId);
    const UniqueFd processDir(::open(processPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!processDir.Valid())
        return false;
    // The process's own line carries the main thread's policy and nice: the base every thread
    // is measured against, as in the process list.
    const std::optional<ProcStat> process = ReadStat(processDir.Get(), "stat");
    const UniqueFd taskDir(::openat(processDir.Get(), "task", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!process || !taskDir.Valid())
        return false;

    const int32_t base = BasePriority(process->policy, process->nice);
    const std::vector<uint32_t> tids = ListNumericEntries(taskDir.Get());
    threads.reserve(threads.size() + tids.size());
    std::string path;
    for (const uint32_t tid : tids) {
        path = std::to_string(tid) + "/stat";
        const std::optional<ProcStat> thread = ReadStat(taskDir.Get(), path.c_str());
        if (!thread)
            continue; // ended meanwhile
        THREADENTRY32 entry;
        entry.th32ThreadID = tid;
        entry.th32OwnerProcessID = processId;
        entry.tpBasePri = base;
        entry.tpDeltaPri
            = ThreadDeltaPriority(process->policy, process->nice, thread->policy, thread->nice);
        threads.push_back(entry);
    }
    return true;
}

} // namespace quorvane
