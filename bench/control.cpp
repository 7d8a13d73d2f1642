// Acting on processes among 1,000: terminating one (open, kill, wait until it has ended) beside
// the process snapshot that the refresh after it takes; setting the priority class of a process
// of 1,000 threads.
//
// The processes are forked from this program before anything starts a thread; each dies with it.

#include "bench/ProcessCount.h"
#include "bench/ReadyChild.h"
#include "platform/control/ProcessHandle.h"
#include "platform/proc/Priority.h"
#include "platform/snapshot/LinuxSnapshotService.h"
#include "platform/snapshot/ToolHelp.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace quorvane;

namespace {
constexpr int PopulationSize = 1000;
constexpr int ThreadCount = 1000;
constexpr uint32_t WaitLimit = 2000;

std::vector<pid_t> children;
pid_t threadsChild = 0;

void StartThreads()
{
    for (int i = 1; i < ThreadCount; ++i) {
        pthread_t thread;
        pthread_attr_t attributes;
        ::pthread_attr_init(&attributes);
        ::pthread_attr_setstacksize(&attributes, 64 * 1024);
        if (::pthread_create(
                &thread, &attributes,
                [](void*) -> void* {
                    for (;;)
                        ::pause();
                },
                nullptr)
            != 0)
            std::abort();
        ::pthread_attr_destroy(&attributes);
    }
}

void TakeSnapshot(LinuxSnapshotService& service)
{
    if (!service.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0))
        std::abort();
}

// From the user's answer to the process's end: the command's open, kill and wait.
void BM_TerminateAndWait(benchmark::State& state)
{
    LinuxSnapshotService service;
    for (auto _ : state) {
        state.PauseTiming();
        const pid_t victim = ForkReadyChild([] {});
        TakeSnapshot(service);
        state.ResumeTiming();
        {
            const std::unique_ptr<ProcessHandle> handle
                = service.OpenProcess(PROCESS_TERMINATE, uint32_t(victim));
            if (!handle || !handle->TerminateProcess(uint32_t(-1))
                || handle->WaitForSingleObject(WaitLimit) != WAIT_OBJECT_0)
                std::abort();
        }
        state.PauseTiming();
        ::waitpid(victim, nullptr, 0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TerminateAndWait)->Unit(benchmark::kMillisecond)->UseRealTime();

// The refresh that follows, for comparison: a process snapshot at the same population.
void BM_RefreshSnapshot(benchmark::State& state)
{
    LinuxSnapshotService service;
    TakeSnapshot(service);
    for (auto _ : state)
        TakeSnapshot(service);
}
BENCHMARK(BM_RefreshSnapshot)->Unit(benchmark::kMillisecond)->UseRealTime();

// Alternately Idle and Normal (going back to Normal needs CAP_SYS_NICE: run as root).
void BM_SetPriorityClassThousandThreads(benchmark::State& state)
{
    LinuxSnapshotService service;
    TakeSnapshot(service);
    const std::unique_ptr<ProcessHandle> handle = service.OpenProcess(
        PROCESS_SET_INFORMATION | PROCESS_QUERY_INFORMATION, uint32_t(threadsChild));
    if (!handle) {
        state.SkipWithError("cannot open the 1,000-thread process");
        return;
    }
    bool idle = false;
    for (auto _ : state) {
        idle = !idle;
        if (!handle->SetPriorityClass(idle ? IDLE_PRIORITY_CLASS : NORMAL_PRIORITY_CLASS)) {
            state.SkipWithError("SetPriorityClass refused (not privileged?)");
            return;
        }
    }
}
BENCHMARK(BM_SetPriorityClassThousandThreads)->Unit(benchmark::kMillisecond)->UseRealTime();
}

int main(int argc, char** argv)
{
    threadsChild = ForkReadyChild(StartThreads);
    children.push_back(threadsChild);
    for (int missing = PopulationSize - CountProcesses(); missing > 0; --missing)
        children.push_back(ForkReadyChild([] {}));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const pid_t pid : children)
        ::kill(pid, SIGKILL);
    for (const pid_t pid : children)
        ::waitpid(pid, nullptr, 0);
    return 0;
}
