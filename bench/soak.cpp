// Soak: the main window, offscreen, refreshed again and again with this process focused (so its
// thread, module and heap lists refill every time and the module usage worker keeps counting),
// while bench/fixture.py starts and ends about 200 processes a second. Every 1,000 refreshes it
// prints the descriptors, threads and resident memory of this process; they should stay flat.
//   bench_soak [REFRESHES=10000] [RATE=200] [EVERY=1000]
#include "app/DesktopShellInfo.h"
#include "app/Main.h"
#include "bench/ChurnFixture.h"
#include "platform/snapshot/LinuxSnapshotService.h"
#include "toolkit/TApplication.h"

#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace quorvane;
using namespace quorvane::bench;

namespace {

struct Sample {
    long refreshes;
    int descriptors;
    int threads;
    long residentKiB;
};

Sample Measure(long refreshes)
{
    return { refreshes, OpenDescriptors(), OwnThreads(), ResidentKiB() };
}

double Drift(const std::vector<Sample>& samples, auto field)
{
    double most = 0;
    for (const Sample& sample : samples)
        most = std::max(most,
            std::abs(double(sample.*field - samples.front().*field))
                / std::max(1.0, double(samples.front().*field)));
    return 100 * most;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window keeps its layout in the user's settings: not in the real ones.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const long total = argc > 1 ? std::atol(argv[1]) : 10'000;
    const int rate = argc > 2 ? std::atoi(argv[2]) : 200;
    const long every = argc > 3 ? std::max(1L, std::atol(argv[3])) : 1000;

    TApplication application(argc, argv);
    application.SetTitle(QStringLiteral("Quorvane"));
    ChurnFixture fixture(rate);
    LinuxSnapshotService snapshots;
    DesktopShellInfo shell;
    TSDIAppForm window(snapshots, shell);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 2;
    const int self = window.ProcessList->FindData(quint64(::getpid()));
    if (self < 0)
        return 3;
    window.ProcessList->SetSelected(self);
    window.ProcessList->SetItemFocused(self);

    std::vector<Sample> samples;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 1; i <= total; ++i) {
        QTest::keyClick(window.ProcessList, Qt::Key_F5);
        QCoreApplication::processEvents();
        if (i % every == 0) {
            samples.push_back(Measure(i));
            const Sample& s = samples.back();
            std::printf("%6ld refreshes: %4d descriptors, %3d threads, %7ld KiB resident\n",
                s.refreshes, s.descriptors, s.threads, s.residentKiB);
            std::fflush(stdout);
        }
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const bool focused = window.ProcessList->ItemFocused() >= 0
        && window.ProcessList->Data(window.ProcessList->ItemFocused()) == quint64(::getpid());
    std::printf("%ld refreshes in %.1f s (%.1f ms each); focus kept on this process: %s; "
                "its lists: %d threads, %d modules, %d heaps\n",
        total, elapsed.count(), 1000 * elapsed.count() / double(total), focused ? "yes" : "no",
        window.ThreadList->ItemCount(), window.ModuleList->ItemCount(),
        window.HeapListList->ItemCount());
    if (samples.empty())
        return 0;
    std::printf("largest change from the first sample: descriptors %.2f%%, threads %.2f%%, "
                "resident %.2f%%\n",
        Drift(samples, &Sample::descriptors), Drift(samples, &Sample::threads),
        Drift(samples, &Sample::residentKiB));
    return 0;
}
