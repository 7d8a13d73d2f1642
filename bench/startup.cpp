// Launch to a mapped window, measured from outside the starting process: this program starts
// itself again under the offscreen platform, as a child that builds either Quorvane's main window
// (its process list filled before it shows, as the program does) or an empty Qt main window of
// the same size, and says so on a pipe once the window is exposed. Both children load the same
// libraries, so the difference is the work of the program's own start.
// Start the fixture first (bench/fixture.py start 5000 2) to measure at a known process count.
// Under the offscreen platform by default; for a real X server,
//   QT_QPA_PLATFORM=xcb xvfb-run -a bench_startup
//
//   StartEmptyWindow   an empty QMainWindow of the design size
//   StartMainWindow    Quorvane's start: application set up, main window made, filled and shown
#include "app/StartUp.h"
#include "app/DesktopShellInfo.h"
#include "app/Main.h"
#include "platform/snapshot/LinuxSnapshotService.h"
#include "toolkit/TApplication.h"

#include <QApplication>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QWindow>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvane;

namespace {

constexpr const char* ChildOption = "--startup-child=";
std::string SelfPath;

// Writes a byte to the descriptor once any window is exposed, and ends the process there: what
// comes after the first frame is not part of the start.
class ExposeWatch : public QObject {
public:
    explicit ExposeWatch(int fd)
        : FFd(fd)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose) {
            const auto* window = qobject_cast<QWindow*>(watched);
            if (window && window->isExposed()) {
                const char done = 'x';
                _exit(write(FFd, &done, 1) == 1 ? 0 : 1);
            }
        }
        return false;
    }

private:
    int FFd;
};

// The child: argv[1] names the window, the descriptor to tell follows it.
int RunChild(const std::string& kind, int fd, int argc, char** argv)
{
    ExposeWatch watch(fd);
    if (kind == "empty") {
        QApplication application(argc, argv);
        application.installEventFilter(&watch);
        QMainWindow window;
        window.resize(838, 459);
        window.show();
        return application.exec();
    }
    // As main.cpp runs it.
    LinuxSnapshotService snapshots;
    snapshots.PrefetchProcesses();
    TApplication application(argc, argv);
    application.installEventFilter(&watch);
    SetUpApplication(application);
    DesktopShellInfo shell;
    TSDIAppForm window(snapshots, shell);
    window.show();
    return application.exec();
}

struct Start {
    double Seconds = -1; // from the spawn to the byte on the pipe
    double CpuSeconds = 0; // the child's own, user and system, over its whole life
};

double Seconds(const timeval& time)
{
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

Start StartOnce(const char* kind, const std::string& configHome)
{
    int pipe[2];
    if (pipe2(pipe, 0) != 0)
        return {};
    const std::string option = std::string(ChildOption) + kind;
    const std::string fd = std::to_string(pipe[1]);
    char* argv[] = { SelfPath.data(), const_cast<char*>(option.c_str()),
        const_cast<char*>(fd.c_str()), nullptr };
    // Offscreen unless a platform is named (xvfb-run with QT_QPA_PLATFORM=xcb maps a real window).
    std::vector<std::string> environment { "XDG_CONFIG_HOME=" + configHome };
    if (!std::getenv("QT_QPA_PLATFORM"))
        environment.emplace_back("QT_QPA_PLATFORM=offscreen");
    for (char** variable = environ; *variable; ++variable)
        if (std::strncmp(*variable, "XDG_CONFIG_HOME=", 16) != 0)
            environment.emplace_back(*variable);
    std::vector<char*> envp;
    for (std::string& variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int error = posix_spawn(&pid, SelfPath.c_str(), nullptr, nullptr, argv, envp.data());
    close(pipe[1]);
    char done = 0;
    const bool told = error == 0 && read(pipe[0], &done, 1) == 1;
    const auto end = std::chrono::steady_clock::now();
    close(pipe[0]);
    int status = 0;
    rusage usage {};
    if (error == 0)
        wait4(pid, &status, 0, &usage);
    if (!told || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return { std::chrono::duration<double>(end - start).count(),
        Seconds(usage.ru_utime) + Seconds(usage.ru_stime) };
}

void StartBenchmark(benchmark::State& state, const char* kind)
{
    QTemporaryDir configHome;
    double cpu = 0;
    for (auto _ : state) {
        const Start start = StartOnce(kind, configHome.path().toStdString());
        if (start.Seconds < 0) {
            state.SkipWithError("the child did not show its window");
            break;
        }
        state.SetIterationTime(start.Seconds);
        cpu += start.CpuSeconds;
    }
    state.counters["childCpuMs"]
        = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
}

void BM_StartEmptyWindow(benchmark::State& state)
{
    StartBenchmark(state, "empty");
}
BENCHMARK(BM_StartEmptyWindow)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_StartMainWindow(benchmark::State& state)
{
    StartBenchmark(state, "main");
}
BENCHMARK(BM_StartMainWindow)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strncmp(argv[1], ChildOption, std::strlen(ChildOption)) == 0)
        return RunChild(argv[1] + std::strlen(ChildOption), std::atoi(argv[2]), 1, argv);
    SelfPath = "/proc/self/exe";
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length > 0)
        SelfPath.assign(path, size_t(length));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
