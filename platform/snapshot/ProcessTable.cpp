#include "ProcessTable.h"

#include "ExecutableType.h"
#include "LinuxToolhelpSnapshot.h"
#include "Priority.h"
#include "RetryOnInterrupt.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace quorvane {

namespace {
    // Descriptors left to the rest of the program however many processes there are.
    constexpr rlim_t DescriptorReserve = 256;

    // Raises the soft descriptor limit toward the hard one; answers how many we may keep open.
    size_t DescriptorBudget()
    {
        rlimit limit {};
        if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
            return 0;
        if (limit.rlim_cur < limit.rlim_max) {
            rlimit raised = limit;
            raised.rlim_cur = std::min<rlim_t>(limit.rlim_max, 1 << 20);
            if (setrlimit(RLIMIT_NOFILE, &raised) == 0)
                limit = raised;
        }
        return limit.rlim_cur > DescriptorReserve ? size_t(limit.rlim_cur - DescriptorReserve) : 0;
    }

    std::optional<uint32_t> ProcessIdOf(const char* name)
    {
        uint32_t pid = 0;
        const char* end = name + std::strlen(name);
        const auto [last, error] = std::from_chars(name, end, pid);
        if (error != std::errc() || last != end || pid == 0)
            return std::nullopt;
        return pid;
    }

    // "/proc/PID/" + leaf, built without allocating.
    struct ProcPath {
        char Text[64];
        ProcPath(uint32_t pid, const char* leaf)
        {
            char* p = std::copy_n("/proc/", 6, Text);
            p = std::to_chars(p, Text + 24, pid).ptr;
            *p++ = '/';
            std::strcpy(p, leaf);
        }
    };

    bool Vanished(int error)
    {
        return error == ENOENT || error == ESRCH;
    }

    // A zombie no longer runs: only its parent's wait keeps it. A process whose main thread
    // alone has exited also shows "Z", but still counts its live threads.
    bool HasEnded(const ProcStat& stat)
    {
        return stat.state == 'X' || (stat.state == 'Z' && stat.num_threads <= 1);
    }

    std::string Bracketed(const std::string& name)
    {
        return "[" + name + "]";
    }

    // The exe link opens the very file the process runs, even when its name is gone.
    uint32_t RunningImageType(const ProcPath& link)
    {
        const UniqueFd fd(open(link.Text, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
        unsigned char header[64];
        const ssize_t length = fd.Valid()
            ? RetryOnInterrupt([&] { return pread(fd.Get(), header, sizeof header, 0); })
            : -1;
        return length > 0 ? ExecutableTypeOfHeader(std::span(header, size_t(length))) : 0;
    }
}

void ProcessTable::DirCloser::operator()(DIR* dir) const
{
    closedir(dir);
}

ProcessTable::ProcessTable()
    : FKeepLimit(DescriptorBudget())
{
}

ProcessTable::~ProcessTable() = default;

bool ProcessTable::Build(uint32_t, LinuxToolhelpSnapshot& snapshot)
{
    return Read(snapshot.Processes().Records());
}

bool ProcessTable::Read(std::vector<PROCESSENTRY32>& records)
{
    if (!FProc)
        FProc.reset(opendir("/proc"));
    if (!FProc)
        return false;
    rewinddir(FProc.get());
    const uint64_t walk = ++FWalk;
    records.reserve(records.size() + FEntries.size() + 64);

    while (const dirent* item = readdir(FProc.get())) {
        const std::optional<uint32_t> pid = ProcessIdOf(item->d_name);
        if (!pid)
            continue;
        Entry& entry = FEntries[*pid];
        entry.Seen = walk;
        size_t length = 0;
        const StatRead result = ReadStat(*pid, entry, length);
        if (result == StatRead::Gone) {
            FEntries.erase(*pid);
            continue;
        }
        PROCESSENTRY32 record;
        record.th32ProcessID = *pid;
        const std::optional<ProcStat> stat = result == StatRead::Read
            ? ParseProcStat(std::string_view(FBuffer.data(), length))
            : std::nullopt;
        entry.Listed.reset();
        if (stat && HasEnded(*stat)) {
            // It never runs again: keep nothing for it until its parent reaps it.
            if (entry.Stat.Valid())
                --FKept;
            FEntries.erase(*pid);
            continue;
        }
        if (stat) {
            entry.Listed = stat->starttime;
            record.th32ParentProcessID = uint32_t(stat->ppid);
            record.cntThreads = uint32_t(std::max(stat->num_threads, 0));
            record.pcPriClassBase = BasePriority(stat->policy, stat->nice);
            record.startTime = stat->starttime;
            record.szExeFile = ExecutablePath(*pid, entry, *stat);
        } else {
            // Listed but not readable (a restricted /proc): the identifier is all there is.
            record.szExeFile = "[?]";
        }
        records.push_back(std::move(record));
    }
    Forget(walk);
    return true;
}

ProcessTable::StatRead ProcessTable::ReadStat(uint32_t pid, Entry& entry, size_t& length)
{
    if (entry.Stat.Valid()) {
        const ssize_t read = RetryOnInterrupt(
            [&] { return pread(entry.Stat.Get(), FBuffer.data(), FBuffer.size() - 1, 0); });
        if (read > 0) {
            length = size_t(read);
            return StatRead::Read;
        }
        // The process this descriptor was opened for has ended; the PID may be someone else's now.
        entry.Stat.Reset();
        --FKept;
        entry.Key.reset();
        entry.ExePath.reset();
    }
    return OpenAndReadStat(pid, entry, length);
}

ProcessTable::StatRead ProcessTable::OpenAndReadStat(uint32_t pid, Entry& entry, size_t& length)
{
    const ProcPath path(pid, "stat");
    UniqueFd fd(open(path.Text, O_RDONLY | O_CLOEXEC));
    if (!fd.Valid() && (errno == EMFILE || errno == ENFILE) && FKept > 0) {
        // Someone else needs descriptors too: keep fewer from now on.
        FKeepLimit = FKept > 64 ? FKept - 64 : 0;
        ReleaseKeptDescriptors(FKept - FKeepLimit);
        fd.Reset(open(path.Text, O_RDONLY | O_CLOEXEC));
    }
    if (!fd.Valid())
        return Vanished(errno) ? StatRead::Gone : StatRead::Unreadable;
    const ssize_t read
        = RetryOnInterrupt([&] { return ::read(fd.Get(), FBuffer.data(), FBuffer.size() - 1); });
    if (read <= 0)
        return read == 0 || Vanished(errno) ? StatRead::Gone : StatRead::Unreadable;
    length = size_t(read);
    if (FKept < FKeepLimit) {
        entry.Stat = std::move(fd);
        ++FKept;
    }
    return StatRead::Read;
}

void ProcessTable::ReleaseKeptDescriptors(size_t count)
{
    for (auto it = FEntries.begin(); it != FEntries.end() && count > 0; ++it) {
        if (it->second.Stat.Valid()) {
            it->second.Stat.Reset();
            --FKept;
            --count;
        }
    }
}

std::string ProcessTable::ExecutablePath(uint32_t pid, Entry& entry, const ProcStat& stat)
{
    // Kernel threads have no executable; a zombie (or a process whose main thread has exited)
    // has lost its link. ps names both by their name in brackets.
    if ((stat.flags & PF_KTHREAD) || stat.state == 'Z')
        return Bracketed(stat.comm);

    ExecKey key { stat.starttime, stat.startcode, stat.endcode, stat.arg_start, stat.comm };
    if (entry.Key != key) {
        const ProcPath path(pid, "exe");
        char target[4096];
        const ssize_t length = readlink(path.Text, target, sizeof target);
        entry.ExeType = 0;
        if (length > 0 && size_t(length) < sizeof target) {
            entry.ExePath.emplace(target, size_t(length));
            entry.ExeType = RunningImageType(path);
        } else {
            entry.ExePath.reset();
        }
        entry.Key = std::move(key);
    }
    return entry.ExePath ? *entry.ExePath : Bracketed(stat.comm);
}

std::optional<uint32_t> ProcessTable::ExecutableTypeOf(const PROCESSENTRY32& record) const
{
    // Named in brackets: there is no executable to read.
    if (!record.szExeFile.empty() && record.szExeFile.front() == '[')
        return 0;
    const auto it = FEntries.find(record.th32ProcessID);
    if (it == FEntries.end() || !it->second.Key || it->second.Key->StartTime != record.startTime)
        return std::nullopt;
    const Entry& entry = it->second;
    if (entry.ExePath && *entry.ExePath == record.szExeFile)
        return entry.ExeType;
    return std::nullopt;
}

std::optional<uint64_t> ProcessTable::StartTimeOf(uint32_t processId) const
{
    const auto it = FEntries.find(processId);
    return it == FEntries.end() ? std::nullopt : it->second.Listed;
}

void ProcessTable::Forget(uint64_t walk)
{
    for (auto it = FEntries.begin(); it != FEntries.end();) {
        if (it->second.Seen != walk) {
            if (it->second.Stat.Valid())
                --FKept;
            it = FEntries.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace quorvane
