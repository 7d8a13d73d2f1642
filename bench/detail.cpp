// The detail lists of one process: the refill of the thread, module and heap lists for a process
// with 1,000 threads and 300 mapped files among 1,000 processes; the global usage index, cold and
// warm; the heap walk over a heap of 1,000,000 chunks, on this machine's C library and on each
// one tools/fetch_libcs.sh has (the same heap, filled by this program started again through that
// library's loader: "BM_HeapWalk/glibc_2.43-7"), and here once more with its small blocks freed
// in no order.
//
// The processes are forked from this program before anything starts a thread; each dies with it.

#include "bench/BusyHeap.h"
#include "bench/ProcessCount.h"
#include "bench/ReadyChild.h"
#include "platform/heap/GlibcHeapWalk.h"
#include "platform/heap/MallocArenas.h"
#include "platform/heap/RemoteMemory.h"
#include "platform/proc/ProcFiles.h"
#include "platform/proc/ProcMaps.h"
#include "platform/snapshot/GlobalUsageIndex.h"
#include "platform/snapshot/LinuxSnapshotService.h"
#include "platform/snapshot/ModuleListBuilder.h"
#include "platform/snapshot/ToolHelp.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <pthread.h>
#include <string>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace quorvane;

namespace {
constexpr int PopulationSize = 1000;
constexpr int ThreadCount = 1000;
constexpr int MappedFileCount = 300;

constexpr const char* FillHeapArgument = "--fill-heap";

std::vector<pid_t> children;
pid_t threadsChild = 0;
pid_t heapChild = 0;
pid_t heapFreedAtRandomChild = 0;
std::filesystem::path fileFolder;
// The same heap on each fetched C library, by its Debian version.
std::vector<std::pair<std::string, pid_t>> libcHeapChildren;

// A ready child, kept to be killed at the end.
template <typename Body> pid_t Fork(Body body)
{
    const pid_t pid = ForkReadyChild(body);
    children.push_back(pid);
    return pid;
}

// Each file mapped four times with different protections, as a shared object is.
void MapFiles()
{
    for (int i = 0; i < MappedFileCount; ++i) {
        const std::string path = (fileFolder / ("lib" + std::to_string(i) + ".so")).string();
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || ::ftruncate(fd, 4 * 4096) != 0)
            std::abort();
        const int protections[]
            = { PROT_READ, PROT_READ | PROT_EXEC, PROT_READ, PROT_READ | PROT_WRITE };
        for (int page = 0; page < 4; ++page)
            ::mmap(nullptr, 4096, protections[page], MAP_PRIVATE, fd, page * 4096);
        ::close(fd);
    }
}

void StartThreads()
{
    for (int i = 1; i < ThreadCount; ++i) {
        pthread_t thread;
        if (::pthread_create(
                &thread, nullptr,
                [](void*) -> void* {
                    for (;;)
                        ::pause();
                },
                nullptr)
            != 0)
            std::abort();
    }
}

// This program started again through the loader of the C library unpacked at root, to fill its
// heap and say so; it dies with us.
pid_t StartFilledOnLibc(const std::string& root)
{
    std::string loader = root + "/lib64/ld-linux-x86-64.so.2";
    if (::access(loader.c_str(), X_OK) != 0)
        loader = root + "/usr/lib64/ld-linux-x86-64.so.2";
    const std::string path = root + "/lib/x86_64-linux-gnu:" + root
        + "/usr/lib/x86_64-linux-gnu:/lib/x86_64-linux-gnu:/usr/lib/x86_64-linux-gnu";
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    int ready[2];
    if (::pipe(ready) != 0)
        std::abort();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(ready[1], 1);
        ::execl(loader.c_str(), loader.c_str(), "--library-path", path.c_str(), self.c_str(),
            FillHeapArgument, nullptr);
        ::_exit(127);
    }
    ::close(ready[1]);
    char done = 0;
    const bool filled = ::read(ready[0], &done, 1) == 1;
    ::close(ready[0]);
    children.push_back(pid);
    return filled ? pid : 0;
}

// Every C library the project's script has unpacked; none without the archive or its cache.
void StartOnEachLibc()
{
    const char* cache = std::getenv("QUORVANE_LIBC_CACHE");
    const std::string command = std::string(QUORVANE_SOURCE_DIR) + "/tools/fetch_libcs.sh '"
        + (cache ? cache : "/var/cache/quorvane/libc") + "' bookworm trixie sid experimental";
    FILE* out = ::popen(command.c_str(), "r");
    char line[4096];
    while (out && std::fgets(line, sizeof line, out)) {
        char suite[64], version[128], root[3800];
        if (std::sscanf(line, "%63s %127s %3799s", suite, version, root) != 3
            || std::strcmp(version, "-") == 0)
            continue;
        if (const pid_t pid = StartFilledOnLibc(root))
            libcHeapChildren.emplace_back(version, pid);
    }
    if (out)
        ::pclose(out);
}

void StartProcesses()
{
    fileFolder
        = std::filesystem::temp_directory_path() / ("quorvane-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(fileFolder);
    threadsChild = Fork([] {
        MapFiles();
        StartThreads();
    });
    heapChild = Fork([] { FillBusyHeap(); });
    heapFreedAtRandomChild = Fork([] { FillBusyHeap(FreeOrder::AtRandom); });
    StartOnEachLibc();
    for (int missing = PopulationSize - CountProcesses(); missing > 0; --missing)
        Fork([] {});
}

void StopProcesses()
{
    for (const pid_t pid : children)
        ::kill(pid, SIGKILL);
    for (const pid_t pid : children)
        ::waitpid(pid, nullptr, 0);
    std::filesystem::remove_all(fileFolder);
}

LinuxSnapshotService& Service()
{
    static LinuxSnapshotService service;
    static const bool warm = [] {
        service.Modules().Usage().Synchronize();
        return true;
    }();
    (void)warm;
    return service;
}

// As the main window fills a list: one snapshot, every record copied out.
template <typename Record, typename First, typename Next>
size_t Walk(uint32_t flags, uint32_t pid, First first, Next next)
{
    const std::unique_ptr<ToolhelpSnapshot> snapshot
        = Service().CreateToolhelp32Snapshot(flags, pid);
    std::vector<Record> records;
    Record record;
    for (bool more = snapshot && ((*snapshot).*first)(record); more;
         more = ((*snapshot).*next)(record))
        records.push_back(record);
    return records.size();
}

size_t WalkThreads(uint32_t pid)
{
    return Walk<THREADENTRY32>(
        TH32CS_SNAPTHREAD, pid, &ToolhelpSnapshot::Thread32First, &ToolhelpSnapshot::Thread32Next);
}

size_t WalkModules(uint32_t pid)
{
    return Walk<MODULEENTRY32>(
        TH32CS_SNAPMODULE, pid, &ToolhelpSnapshot::Module32First, &ToolhelpSnapshot::Module32Next);
}

size_t WalkHeaps(uint32_t pid)
{
    return Walk<HEAPLIST32>(TH32CS_SNAPHEAPLIST, pid, &ToolhelpSnapshot::Heap32ListFirst,
        &ToolhelpSnapshot::Heap32ListNext);
}

void BM_RefillDetailLists(benchmark::State& state)
{
    const uint32_t pid = uint32_t(threadsChild);
    size_t rows = 0;
    for (auto _ : state)
        rows = WalkThreads(pid) + WalkModules(pid) + WalkHeaps(pid);
    state.counters["threads"] = double(WalkThreads(pid));
    state.counters["modules"] = double(WalkModules(pid));
    state.counters["heaps"] = double(WalkHeaps(pid));
    state.counters["processes"] = double(CountProcesses());
    benchmark::DoNotOptimize(rows);
}
BENCHMARK(BM_RefillDetailLists)->Unit(benchmark::kMillisecond);

void BM_ThreadList(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(WalkThreads(uint32_t(threadsChild)));
}
BENCHMARK(BM_ThreadList)->Unit(benchmark::kMillisecond);

void BM_ModuleList(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(WalkModules(uint32_t(threadsChild)));
}
BENCHMARK(BM_ModuleList)->Unit(benchmark::kMillisecond);

void BM_HeapList(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(WalkHeaps(uint32_t(threadsChild)));
}
BENCHMARK(BM_HeapList)->Unit(benchmark::kMillisecond);

// A new index: its first pass reads every process's maps.
void BM_GlobalUsageColdPass(benchmark::State& state)
{
    GlobalUsageIndex::PassFigures figures;
    for (auto _ : state) {
        GlobalUsageIndex index;
        index.Synchronize();
        figures = index.LastPass();
    }
    state.counters["processes"] = figures.processes;
    state.counters["mapsRead"] = figures.mapsRead;
}
BENCHMARK(BM_GlobalUsageColdPass)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// A pass over processes already known: one stat read each, maps only where they changed.
void BM_GlobalUsageWarmPass(benchmark::State& state)
{
    GlobalUsageIndex index;
    index.Synchronize();
    for (auto _ : state)
        index.Synchronize();
    state.counters["processes"] = index.LastPass().processes;
    state.counters["mapsRead"] = index.LastPass().mapsRead;
}
BENCHMARK(BM_GlobalUsageWarmPass)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every chunk of the process's first heap, the process held still while it is read.
void WalkHeap(benchmark::State& state, pid_t child)
{
    const uint32_t pid = uint32_t(child);
    const std::unique_ptr<ToolhelpSnapshot> snapshot
        = Service().CreateToolhelp32Snapshot(TH32CS_SNAPHEAPLIST, pid);
    HEAPLIST32 heap;
    if (!snapshot || !snapshot->Heap32ListFirst(heap)) {
        state.SkipWithError("no heap");
        return;
    }
    size_t chunks = 0;
    bool held = false;
    for (auto _ : state) {
        const std::unique_ptr<HeapWalk> walk = Service().CreateHeapWalk();
        // In batches, as the heap block dialog takes them.
        std::array<HEAPENTRY32, 256> batch;
        chunks = walk->Heap32First(batch.front(), pid, heap.th32HeapID) ? 1 : 0;
        while (const size_t count = walk->Heap32NextBlocks(batch))
            chunks += count;
        benchmark::DoNotOptimize(batch);
        held = dynamic_cast<GlibcHeapWalk&>(*walk).WasHeld();
    }
    state.counters["chunks"] = double(chunks);
    state.counters["held"] = held;
    state.SetItemsProcessed(int64_t(state.iterations() * chunks));
}

void BM_HeapWalk(benchmark::State& state)
{
    WalkHeap(state, heapChild);
}
BENCHMARK(BM_HeapWalk)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HeapWalkFreedAtRandom(benchmark::State& state)
{
    WalkHeap(state, heapFreedAtRandomChild);
}
BENCHMARK(BM_HeapWalkFreedAtRandom)->Unit(benchmark::kMillisecond)->UseRealTime();

// What a plain reader pays: the same heap copied by one thread through one reused 1 MiB buffer,
// each chunk header stepped over, nothing classified, nothing kept. The heap's bounds are found
// once, beforehand. The walk copies a large heap on a second CPU while it classifies, so on a
// machine with two it can come in under this.
void HeapFloor(benchmark::State& state, pid_t child)
{
    const RemoteMemory memory { child };
    const std::string path = "/proc/" + std::to_string(child) + "/maps";
    const std::optional<std::string> maps = ReadProcFile(AT_FDCWD, path.c_str());
    const MallocArenas arenas = MallocArenas::Find(memory, ParseMaps(maps ? *maps : ""));
    if (arenas.Heaps().empty()) {
        state.SkipWithError("no heap");
        return;
    }
    const MallocHeap heap = arenas.Heaps().front();
    const MallocArena* arena = arenas.ArenaAt(heap.arena);
    const uint64_t end
        = arena && arena->top >= heap.firstChunk && arena->top < heap.end ? arena->top : heap.end;
    constexpr size_t BufferBytes = 1 << 20;
    std::vector<uint64_t> buffer(BufferBytes / 8);
    size_t chunks = 0;
    for (auto _ : state) {
        chunks = 0;
        uint64_t chunk = heap.firstChunk;
        while (chunk < end) {
            const size_t got = memory.Read(
                chunk, buffer.data(), size_t(std::min<uint64_t>(BufferBytes, end + 16 - chunk)));
            if (got < 16)
                break;
            const uint64_t from = chunk;
            // Step while the next header lies wholly in the buffer.
            while (chunk < end && chunk + 16 <= from + got) {
                const uint64_t size = buffer[(chunk - from) / 8 + 1] & ~uint64_t(7);
                if (size == 0)
                    return state.SkipWithError("a chunk of size 0");
                chunk += size;
                ++chunks;
            }
        }
        benchmark::DoNotOptimize(chunks);
    }
    state.counters["chunks"] = double(chunks + 1); // and the top chunk
    state.SetItemsProcessed(int64_t(state.iterations() * (chunks + 1)));
}

void BM_HeapFloor(benchmark::State& state)
{
    HeapFloor(state, heapChild);
}
BENCHMARK(BM_HeapFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

// The walk and its floor next to each other on each fetched C library.
void RegisterEachLibc()
{
    for (const auto& [version, pid] : libcHeapChildren) {
        const pid_t child = pid;
        benchmark::RegisterBenchmark(("BM_HeapWalk/glibc_" + version).c_str(),
            [child](benchmark::State& state) { WalkHeap(state, child); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("BM_HeapFloor/glibc_" + version).c_str(),
            [child](benchmark::State& state) { HeapFloor(state, child); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
}

// A small heap in a process of 1,000 threads: what holding them all costs.
void BM_HeapWalkThousandThreads(benchmark::State& state)
{
    WalkHeap(state, threadsChild);
}
BENCHMARK(BM_HeapWalkThousandThreads)->Unit(benchmark::kMillisecond)->UseRealTime();
}

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], FillHeapArgument) == 0) {
        FillBusyHeap();
        const char done = 1;
        if (::write(1, &done, 1) != 1)
            return 1;
        for (;;)
            ::pause();
    }
    StartProcesses();
    RegisterEachLibc();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    StopProcesses();
    return 0;
}
