// Starts N threads and holds them until its standard input closes. Before the threads start the
// process lowers its own nice to 3, so they all inherit it; then one thread lowers itself to
// nice 12 and another moves to SCHED_IDLE. Prints: "<pid> <low tid> <idle tid> <every tid...>".
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
std::atomic<int> started { 0 };
std::vector<pid_t> tids;
pid_t lowTid = 0;
pid_t idleTid = 0;

void Hold(int index)
{
    const pid_t tid = pid_t(syscall(SYS_gettid));
    tids[size_t(index)] = tid;
    if (index == 1) {
        setpriority(PRIO_PROCESS, id_t(tid), 12);
        lowTid = tid;
    } else if (index == 2) {
        sched_param param {};
        sched_setscheduler(tid, SCHED_IDLE, &param);
        idleTid = tid;
    }
    ++started;
    pause();
}
}

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 4;
    setpriority(PRIO_PROCESS, 0, 3);
    tids.assign(size_t(count) + 1, 0);
    tids[0] = getpid();
    for (int i = 1; i <= count; ++i)
        std::thread([i] { Hold(i); }).detach();
    while (started < count)
        usleep(1000);
    std::printf("%d %d %d", int(getpid()), int(lowTid), int(idleTid));
    for (const pid_t tid : tids)
        std::printf(" %d", int(tid));
    std::printf("\n");
    std::fflush(stdout);
    char buffer[64];
    while (read(0, buffer, sizeof buffer) > 0) { }
    return 0;
}
