// The process snapshot against the cost of reading /proc at all, side by side in one run.
// Start the fixture first (bench/fixture.py start 1000 2) to measure at a known process count.
//
//   Floor          open, read, close /proc/PID/stat and readlink /proc/PID/exe for every PID
//   Snapshot       our process snapshot from a service kept between snapshots, walked to the end
//                  (/1 with each process's stat kept open, /0 with none kept)
//   SnapshotCold   the same from a new service (the first fill of a run)
//   SnapshotRows   the snapshot plus every row's texts, type and icon, as the process list shows
//   them Ps             ps -e -o pid,ni,nlwp,comm,args run as a child, wall time
#include "app/AppResources.h"
#include "app/DesktopShellInfo.h"
#include "app/Main.h"
#include "platform/desktop/ExecutableIcons.h"
#include "platform/proc/ExecutableType.h"
#include "platform/proc/ExecutableTypeCache.h"
#include "platform/snapshot/LinuxSnapshotService.h"
#include "platform/snapshot/ProcessTable.h"

#include <QApplication>
#include <QString>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

using namespace quorvane;

namespace {

size_t Floor()
{
    size_t processes = 0;
    DIR* proc = opendir("/proc");
    char buffer[4096];
    char path[300];
    while (const dirent* entry = readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
            continue;
        snprintf(path, sizeof path, "/proc/%s/stat", entry->d_name);
        const int fd = open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        benchmark::DoNotOptimize(read(fd, buffer, sizeof buffer));
        close(fd);
        snprintf(path, sizeof path, "/proc/%s/exe", entry->d_name);
        benchmark::DoNotOptimize(readlink(path, buffer, sizeof buffer));
        ++processes;
    }
    closedir(proc);
    return processes;
}

size_t Walk(SnapshotService& service)
{
    const auto snapshot = service.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    size_t processes = 0;
    PROCESSENTRY32 record;
    for (bool more = snapshot->Process32First(record); more; more = snapshot->Process32Next(record))
        ++processes;
    return processes;
}

const char* PriorityClassText(int32_t base)
{
    switch (base) {
    case 4:
        return "Idle";
    case 8:
        return "Normal";
    case 13:
        return "High";
    case 24:
        return "Real Time";
    default:
        return "Unknown";
    }
}

// What one row of the process list holds.
struct Row {
    QString Caption;
    QString Pid;
    QString Priority;
    QString Threads;
    QString Type;
    QString Path;
    QIcon Icon;
    uint32_t Data = 0;
};

// The type from the service's record (no system call) or, with `types`, from the file at the path.
Row MakeRow(const PROCESSENTRY32& record, SnapshotService& service, ExecutableIcons& icons,
    ExecutableTypeCache* types)
{
    Row row;
    const std::string& path = record.szExeFile;
    const size_t slash = path.rfind('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    row.Caption = QString::fromLocal8Bit(name);
    char text[64];
    row.Pid = QString::fromLatin1(text, snprintf(text, sizeof text, "$%08X", record.th32ProcessID));
    row.Priority = QString::fromLatin1(text,
        snprintf(text, sizeof text, "%d (%s)", record.pcPriClassBase,
            PriorityClassText(record.pcPriClassBase)));
    row.Threads = QString::number(record.cntThreads);
    row.Type = QString::fromStdString(ExecutableTypeText(
        types ? types->TypeOf(record.szExeFile) : service.ExecutableTypeOf(record)));
    row.Path = QString::fromLocal8Bit(path);
    row.Icon = icons.IconFor(path);
    row.Data = record.th32ProcessID;
    return row;
}

// The CPU time of every thread of ours: the time column counts only the benchmark's own thread,
// not the helper that reads kept files beside it, and on a busy machine the wall time is mostly
// the wait for a core.
double ProcessCpuMilliseconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct AllThreadsCpu {
    benchmark::State& State;
    const double Start = ProcessCpuMilliseconds();
    ~AllThreadsCpu()
    {
        if (State.iterations() > 0)
            State.counters["allThreadsCpuMs"]
                = (ProcessCpuMilliseconds() - Start) / double(State.iterations());
    }
};

void BM_Floor(benchmark::State& state)
{
    size_t processes = 0;
    {
        const AllThreadsCpu cpu { state };
        for (auto _ : state)
            processes = Floor();
    }
    state.counters["processes"] = double(processes);
}
BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond);

// Argument 1: each process's stat kept open between snapshots, as the service does; 0: none kept,
// every stat opened afresh, to weigh what keeping them saves against the kernel memory they hold.
void BM_Snapshot(benchmark::State& state)
{
    LinuxSnapshotService service;
    if (state.range(0) == 0)
        service.Processes().SetKeepLimit(0);
    Walk(service);
    size_t processes = 0;
    {
        const AllThreadsCpu cpu { state };
        for (auto _ : state)
            processes = Walk(service);
    }
    state.counters["processes"] = double(processes);
    state.counters["keptDescriptors"] = double(service.Processes().KeptDescriptors());
}
BENCHMARK(BM_Snapshot)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_SnapshotCold(benchmark::State& state)
{
    for (auto _ : state) {
        LinuxSnapshotService service;
        benchmark::DoNotOptimize(Walk(service));
    }
}
BENCHMARK(BM_SnapshotCold)->Unit(benchmark::kMillisecond);

void FillRows(std::vector<Row>& rows, LinuxSnapshotService& service, ExecutableIcons& icons,
    ExecutableTypeCache* types)
{
    rows.clear();
    const auto snapshot = service.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 record;
    for (bool more = snapshot->Process32First(record); more; more = snapshot->Process32Next(record))
        rows.push_back(MakeRow(record, service, icons, types));
}

// Argument 0: types by record; 1: types by path, each validated with a stat of the file.
void BM_SnapshotRows(benchmark::State& state)
{
    LinuxSnapshotService service;
    ExecutableIcons icons { QIcon(":/quorvane/executable.svg") };
    ExecutableTypeCache pathTypes;
    ExecutableTypeCache* types = state.range(0) == 1 ? &pathTypes : nullptr;
    std::vector<Row> rows;
    FillRows(rows, service, icons, types); // the fill at start-up
    for (auto _ : state)
        FillRows(rows, service, icons, types);
    state.counters["processes"] = double(rows.size());
}
BENCHMARK(BM_SnapshotRows)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// FillProcessList, the whole of it: snapshot plus rows in the real list of the real main window,
// offscreen, with the desktop's types and icons, after the fill of the window's creation.
void BM_FillProcessList(benchmark::State& state)
{
    // The window reads and writes its settings: keep them away from the user's own.
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    LinuxSnapshotService snapshots;
    DesktopShellInfo shell;
    TSDIAppForm window(snapshots, shell);
    window.FillProcessList();
    {
        const AllThreadsCpu cpu { state };
        for (auto _ : state)
            window.FillProcessList();
    }
    state.counters["processes"] = double(window.ProcessList->ItemCount());
}
BENCHMARK(BM_FillProcessList)->Unit(benchmark::kMillisecond);

void BM_Ps(benchmark::State& state)
{
    const char* argv[] = { "ps", "-e", "-o", "pid,ni,nlwp,comm,args", nullptr };
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, "ps", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
            state.SkipWithError("cannot start ps");
            break;
        }
        waitpid(pid, nullptr, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
}
BENCHMARK(BM_Ps)->Unit(benchmark::kMillisecond)->UseRealTime();

// The heap one snapshot holds while it is walked, what the service keeps between snapshots, and the
// kernel memory its open descriptors hold (read from the whole system's slab: a rough figure).
long SlabKiB()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    long value = 0;
    std::string unit;
    while (meminfo >> key >> value >> unit)
        if (key == "Slab:")
            return value;
    return 0;
}

void BM_SnapshotMemory(benchmark::State& state)
{
    const size_t start = mallinfo2().uordblks;
    const long slab = SlabKiB();
    LinuxSnapshotService service;
    if (state.range(0) == 0)
        service.Processes().SetKeepLimit(0);
    Walk(service);
    const size_t kept = mallinfo2().uordblks - start;
    const long keptSlab = SlabKiB() - slab;
    size_t snapshotBytes = 0;
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        const auto snapshot = service.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        snapshotBytes = mallinfo2().uordblks - before;
        benchmark::DoNotOptimize(snapshot.get());
    }
    state.counters["snapshotKiB"] = double(snapshotBytes) / 1024;
    state.counters["serviceKiB"] = double(kept) / 1024;
    state.counters["kernelKiB"] = double(keptSlab);
    state.counters["keptDescriptors"] = double(service.Processes().KeptDescriptors());
}
BENCHMARK(BM_SnapshotMemory)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The main window reads and writes its settings: never the user's own.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    InitAppResources();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
