#include "platform/snapshot/ProcessTable.h"

#include "platform/posix/RetryOnInterrupt.h"
#include "platform/posix/SecondCpu.h"
#include "platform/proc/ExecutableType.h"
#include "platform/proc/Priority.h"
#include "platform/snapshot/LinuxToolhelpSnapshot.h"
#include "platform/text/WholeNumber.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {

namespace {
    // Raises the soft descriptor limit as far as the kept descriptors need; answers how many we
    // may keep open from the base up.
    size_t DescriptorBudget()
    {
        rlimit limit {};
        if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
            return 0;
        const rlim_t wanted = rlim_t(ProcessTable::KeptDescriptorBase) + ProcessTable::KeepCap;
        if (limit.rlim_cur < wanted && limit.rlim_cur < limit.rlim_max) {
            rlimit raised = limit;
            raised.rlim_cur = std::min(limit.rlim_max, wanted);
            if (setrlimit(RLIMIT_NOFILE, &raised) == 0)
                limit = raised;
        }
        const rlim_t base = ProcessTable::KeptDescriptorBase;
        return limit.rlim_cur > base
            ? size_t(std::min<rlim_t>(limit.rlim_cur - base, ProcessTable::KeepCap))
            : 0;
    }

    std::optional<uint32_t> ProcessIdOf(const char* name)
    {
        const std::optional<uint32_t> pid = ParseDecimal<uint32_t>(name);
        return pid && *pid != 0 ? pid : std::nullopt;
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
    uint32_t RunningImageType(const char* link)
    {
        const UniqueFd fd(open(link, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
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

void ProcessTable::SetKeepLimit(size_t limit)
{
    FKeepLimit = std::min(limit, DescriptorBudget());
    if (FKept > FKeepLimit)
        ReleaseKeptDescriptors(FKept - FKeepLimit);
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
    FListed.clear();
    while (const dirent* item = readdir(FProc.get())) {
        if (const std::optional<uint32_t> pid = ProcessIdOf(item->d_name)) {
            Entry& entry = FEntries[*pid];
            entry.Seen = walk;
            FListed.push_back({ *pid, &entry, false });
        }
    }
    RereadKept();
    records.reserve(records.size() + FListed.size());
    for (Listed& listed : FListed) {
        Entry& entry = *listed.Process;
        if (!listed.Reread) {
            size_t length = 0;
            const StatRead result = ReadStat(listed.Pid, entry, length);
            if (result == StatRead::Gone) {
                FEntries.erase(listed.Pid);
                continue;
            }
            if (result == StatRead::Read) {
                TakeText(entry, std::string_view(FBuffer.data(), length));
            } else {
                entry.Text.clear();
                entry.Parsed.reset();
            }
        }
        const std::optional<ProcStat>& stat = entry.Parsed;
        PROCESSENTRY32 record;
        record.th32ProcessID = listed.Pid;
        entry.Listed.reset();
        if (stat && HasEnded(*stat)) {
            // It never runs again: keep nothing for it until its parent reaps it.
            if (entry.Stat.Valid())
                --FKept;
            FEntries.erase(listed.Pid);
            continue;
        }
        if (stat) {
            entry.Listed = stat->starttime;
            record.th32ParentProcessID = uint32_t(stat->ppid);
            record.cntThreads = uint32_t(std::max(stat->num_threads, 0));
            record.pcPriClassBase = BasePriority(stat->policy, stat->nice);
            record.startTime = stat->starttime;
            record.szExeFile = ExecutablePath(listed.Pid, entry, *stat);
        } else {
            // Listed but not readable (a restricted /proc): the identifier is all there is.
            record.szExeFile = "[?]";
        }
        records.push_back(std::move(record));
    }
    FListed.clear();
    Forget(walk);
    return true;
}

void ProcessTable::RereadKept()
{
    // Only the kept files are read here: nothing but the listed slot, its entry and a buffer of
    // the worker's own is touched, so two threads share the work. The rest (new processes, ended
    // ones, executables read again) follows on this thread.
    const SharedLoop::Body reread = [this](size_t from, size_t to, int worker) {
        std::array<char, 4096>& buffer = worker == 0 ? FBuffer : FHelperBuffer;
        for (size_t i = from; i < to; ++i) {
            Listed& listed = FListed[i];
            const int fd = listed.Process->Stat.Get();
            if (fd < 0)
                continue;
            const ssize_t read
                = RetryOnInterrupt([&] { return pread(fd, buffer.data(), buffer.size() - 1, 0); });
            if (read > 0) {
                TakeText(*listed.Process, std::string_view(buffer.data(), size_t(read)));
                listed.Reread = true;
            }
        }
    };
    const size_t count = FListed.size();
    if (count >= ParallelRereadFrom && SecondCpuAtHand())
        FReread.Run(count, RereadChunk, reread);
    else
        reread(0, count, 0);
}

void ProcessTable::TakeText(Entry& entry, std::string_view text)
{
    if (entry.Text == text)
        return;
    entry.Text.assign(text);
    entry.Parsed = ParseProcStat(text);
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
    if (FKept < FKeepLimit)
        Keep(entry, fd);
    return StatRead::Read;
}

void ProcessTable::Keep(Entry& entry, const UniqueFd& fd)
{
    const int high = fcntl(fd.Get(), F_DUPFD_CLOEXEC, KeptDescriptorBase);
    if (high < 0) {
        // The high range is full (or the limit was lowered under us): keep no more.
        FKeepLimit = FKept;
        return;
    }
    entry.Stat.Reset(high);
    ++FKept;
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

    // Compared field by field: a key made only to compare would copy the name on every walk.
    const bool current = entry.Key && entry.Key->StartTime == stat.starttime
        && entry.Key->StartCode == stat.startcode && entry.Key->EndCode == stat.endcode
        && entry.Key->ArgStart == stat.arg_start && entry.Key->Name == stat.comm;
    if (!current) {
        const ProcPath path(pid, "exe");
        char target[4096];
        const ssize_t length = readlink(path.Text, target, sizeof target);
        entry.ExeType = 0;
        if (length > 0 && size_t(length) < sizeof target) {
            entry.ExePath.emplace(target, size_t(length));
            entry.ExeType = TypeOfRunningImage(path.Text);
        } else {
            entry.ExePath.reset();
        }
        entry.Key
            = ExecKey { stat.starttime, stat.startcode, stat.endcode, stat.arg_start, stat.comm };
    }
    return entry.ExePath ? *entry.ExePath : Bracketed(stat.comm);
}

uint32_t ProcessTable::TypeOfRunningImage(const char* exeLink)
{
    // Many processes run one file: its header is read once, for as long as the file is unchanged.
    struct stat file { };
    if (stat(exeLink, &file) != 0)
        return 0;
    const FileKey key { uint64_t(file.st_dev), uint64_t(file.st_ino) };
    const ImageType seen { file.st_mtim.tv_sec, file.st_mtim.tv_nsec, file.st_size, 0 };
    const auto known = FImageTypes.find(key);
    if (known != FImageTypes.end() && known->second.SameFile(seen))
        return known->second.Type;
    if (FImageTypes.size() >= MaxImageTypes)
        FImageTypes.clear();
    ImageType& type = FImageTypes[key] = seen;
    type.Type = RunningImageType(exeLink);
    return type.Type;
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
