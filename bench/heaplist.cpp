// The heap block dialog over a heap of 1,000,000 chunks: from the walk to a list that can paint,
// and what the dialog holds per block while it is open.
//
// The heap's process is forked before the application object starts any thread; it dies with us.

#include "bench/BusyHeap.h"
#include "bench/ReadyChild.h"
#include "controls/listview/ExtListView.h"
#include "dialogs/HeapListDlg.h"
#include "platform/snapshot/HeapListBuilder.h"
#include "platform/snapshot/LinuxSnapshotService.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <malloc.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace quorvane;

namespace {
pid_t heapChild = 0;

pid_t StartHeapChild()
{
    return ForkReadyChild([] { FillBusyHeap(); });
}

size_t HeapInUse()
{
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

void BM_OpenHeapListDialog(benchmark::State& state)
{
    std::vector<HEAPLIST32> heaps;
    ReadHeapList(uint32_t(heapChild), heaps);
    if (heaps.empty()) {
        state.SkipWithError("no heap");
        return;
    }
    LinuxSnapshotService service;
    // The walk's working memory, kept by the service between walks, is not the dialog's.
    THeapListDlg(service).ListHeapBlocks(uint32_t(heapChild), heaps.front().th32HeapID);
    double rows = 0;
    double listingShare = 0;
    double heldPerBlock = 0;
    double listedPerBlock = 0;
    double rowBytesPerBlock = 0;
    for (auto _ : state) {
        const size_t before = HeapInUse();
        const auto start = std::chrono::steady_clock::now();
        auto dialog = std::make_unique<THeapListDlg>(service);
        dialog->ListHeapBlocks(uint32_t(heapChild), heaps.front().th32HeapID);
        const size_t listed = HeapInUse();
        const auto listedAt = std::chrono::steady_clock::now();
        dialog->show();
        // Painting lays out every row first.
        benchmark::DoNotOptimize(dialog->grab());
        const auto paintable = std::chrono::steady_clock::now();
        state.PauseTiming();
        listingShare = double((listedAt - start).count()) / double((paintable - start).count());
        rows = dialog->HeapList->ItemCount();
        heldPerBlock = double(HeapInUse() - before) / rows;
        listedPerBlock = double(listed - before) / rows;
        rowBytesPerBlock = double(dialog->Rows().BytesHeld()) / rows;
        dialog.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
    state.counters["heldPerBlock"] = heldPerBlock;
    state.counters["listedPerBlock"] = listedPerBlock;
    state.counters["listingShare"] = listingShare; // the walk into rows, of the whole opening
    state.counters["rowBytesPerBlock"] = rowBytesPerBlock;
}
BENCHMARK(BM_OpenHeapListDialog)->Unit(benchmark::kMillisecond)->UseRealTime();
}

int main(int argc, char** argv)
{
    heapChild = StartHeapChild();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ::kill(heapChild, SIGKILL);
    ::waitpid(heapChild, nullptr, 0);
    return 0;
}
