// Churn: full snapshots (processes, then the threads, modules and heaps of a process picked at
// random) while bench/fixture.py starts and ends about 200 processes a second. Not a test: it
// reports what went wrong, and what a pass looks like is 0 of everything.
//   bench_churn [SNAPSHOTS=10000] [RATE=200]
// Heaps are walked (which holds the process still) only for the fixture's own processes.
// Prints what it did and returns 0 when no exception escaped and no descriptor was left open.
#include "bench/ChurnFixture.h"
#include "platform/heap/HeapWalkError.h"
#include "platform/snapshot/LinuxSnapshotService.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <set>

using namespace quorvane;
using namespace quorvane::bench;

namespace {

struct Tally {
    long snapshots = 0;
    long processesSeen = 0;
    long detailsOfVanished = 0; // a detail snapshot of a process that had gone: none, or empty
    long heapWalks = 0;
    long heapWalkFailures = 0; // HeapWalkError: the process went or its heap changed mid-read
    long escaped = 0; // any other exception: a fault
    std::set<std::pair<uint32_t, uint64_t>> distinct; // PID and start time
};

template <typename Entry, typename First, typename Next>
long Walk(ToolhelpSnapshot* snapshot, First first, Next next)
{
    if (!snapshot)
        return -1;
    Entry entry;
    long count = 0;
    for (bool more = (snapshot->*first)(entry); more; more = (snapshot->*next)(entry))
        ++count;
    return count;
}

void WalkHeap(SnapshotService& service, const HEAPLIST32& heap, Tally& tally)
{
    const auto walk = service.CreateHeapWalk();
    HEAPENTRY32 block;
    ++tally.heapWalks;
    try {
        for (bool more = walk->Heap32First(block, heap.th32ProcessID, heap.th32HeapID); more;
             more = walk->Heap32Next(block)) { }
    } catch (const HeapWalkError&) {
        ++tally.heapWalkFailures;
    }
}

void Round(SnapshotService& service, pid_t keeper, std::mt19937& random, Tally& tally)
{
    std::vector<PROCESSENTRY32> processes;
    {
        const auto snapshot = service.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry;
        for (bool more = snapshot && snapshot->Process32First(entry); more;
             more = snapshot->Process32Next(entry))
            processes.push_back(entry);
    }
    ++tally.snapshots;
    tally.processesSeen += long(processes.size());
    for (const PROCESSENTRY32& process : processes)
        tally.distinct.insert({ process.th32ProcessID, process.startTime });
    if (processes.empty())
        return;
    // The fixture's processes half of the time, so that most of them are gone by the time
    // their details are read.
    std::vector<const PROCESSENTRY32*> fixture;
    for (const PROCESSENTRY32& process : processes)
        if (process.th32ParentProcessID == uint32_t(keeper))
            fixture.push_back(&process);
    const PROCESSENTRY32& chosen = random() % 2 && !fixture.empty()
        ? *fixture[random() % fixture.size()]
        : processes[random() % processes.size()];
    const uint32_t pid = chosen.th32ProcessID;

    const auto threads = service.CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, pid);
    const auto modules = service.CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    const auto heaps = service.CreateToolhelp32Snapshot(TH32CS_SNAPHEAPLIST, pid);
    Walk<THREADENTRY32>(
        threads.get(), &ToolhelpSnapshot::Thread32First, &ToolhelpSnapshot::Thread32Next);
    const long moduleCount = Walk<MODULEENTRY32>(
        modules.get(), &ToolhelpSnapshot::Module32First, &ToolhelpSnapshot::Module32Next);
    tally.detailsOfVanished += moduleCount <= 0;
    HEAPLIST32 heap;
    // A walk holds its process still for a while: every tenth round is enough to meet
    // processes that end while held.
    if (heaps && heaps->Heap32ListFirst(heap) && chosen.th32ParentProcessID == uint32_t(keeper)
        && tally.snapshots % 10 == 0)
        WalkHeap(service, heap, tally);
}

} // namespace

int main(int argc, char** argv)
{
    const long total = argc > 1 ? std::atol(argv[1]) : 10'000;
    const int rate = argc > 2 ? std::atoi(argv[2]) : 200;
    const int descriptorsBefore = OpenDescriptors();
    Tally tally;
    std::chrono::duration<double> elapsed {};
    {
        ChurnFixture fixture(rate);
        LinuxSnapshotService service;
        service.SetOnModuleUsageChanged([] {});
        std::mt19937 random(20261207);
        const auto start = std::chrono::steady_clock::now();
        for (long i = 0; i < total; ++i) {
            try {
                Round(service, fixture.Keeper(), random, tally);
            } catch (const std::exception& error) {
                if (++tally.escaped <= 10)
                    std::fprintf(stderr, "escaped: %s\n", error.what());
            }
        }
        elapsed = std::chrono::steady_clock::now() - start;
        std::printf("descriptors held by the service at the end: %d\n",
            OpenDescriptors() - descriptorsBefore);
    }
    const int descriptorsLeft = OpenDescriptors() - descriptorsBefore;
    std::printf("snapshots: %ld in %.1f s (%.0f a second), %.0f processes each on average\n",
        tally.snapshots, elapsed.count(), double(tally.snapshots) / elapsed.count(),
        double(tally.processesSeen) / double(std::max(1L, tally.snapshots)));
    std::printf("distinct processes seen: %zu (%.0f new a second)\n", tally.distinct.size(),
        double(tally.distinct.size()) / elapsed.count());
    std::printf("detail snapshots of a process already gone: %ld\n", tally.detailsOfVanished);
    std::printf("heap walks: %ld, ended by a vanished or changing heap: %ld\n", tally.heapWalks,
        tally.heapWalkFailures);
    std::printf("exceptions escaped: %ld\ndescriptors left after the service: %d\n", tally.escaped,
        descriptorsLeft);
    return tally.escaped == 0 && descriptorsLeft == 0 ? 0 : 1;
}
