/* One process of the benchmark fixture: argv[1] threads in all, every one asleep until killed. */
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <unistd.h>

static void* Sleep(void* unused)
{
    (void)unused;
    for (;;)
        pause();
    return NULL;
}

int main(int argc, char** argv)
{
    /* A keeper that dies (killed, or out of processes) must not leave its sleepers behind. */
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1)
        return 0;
    int threads = argc > 1 ? atoi(argv[1]) : 1;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 64 * 1024);
    for (int i = 1; i < threads; ++i) {
        pthread_t thread;
        pthread_create(&thread, &attr, Sleep, NULL);
    }
    Sleep(NULL);
    return 0;
}
