#pragma once

#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <unistd.h>

// Runs body in a new child that dies with us and then sleeps until it is killed; returns once the
// child says it is ready.
template <typename Body> pid_t ForkReadyChild(Body body)
{
    int ready[2];
    if (::pipe(ready) != 0)
        std::abort();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::close(ready[0]);
        body();
        const char done = 1;
        if (::write(ready[1], &done, 1) != 1)
            ::_exit(1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char done = 0;
    if (::read(ready[0], &done, 1) != 1)
        std::abort();
    ::close(ready[0]);
    return pid;
}
