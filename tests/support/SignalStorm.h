#pragma once

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace quorvane::testing {

// Sends this thread SIGUSR1 again and again for its life, handled without SA_RESTART: each
// blocking call it lands in returns EINTR.
class SignalStorm {
public:
    SignalStorm()
    {
        struct sigaction action { };
        action.sa_handler = [](int) {};
        sigaction(SIGUSR1, &action, &FOld);
        FSender = std::thread([this, target = pthread_self()] {
            for (; !FStop; ++Sent, usleep(200))
                pthread_kill(target, SIGUSR1);
        });
    }
    ~SignalStorm()
    {
        FStop = true;
        FSender.join();
        sigaction(SIGUSR1, &FOld, nullptr);
    }
    SignalStorm(const SignalStorm&) = delete;
    SignalStorm& operator=(const SignalStorm&) = delete;

    // Returns once this many more signals have been sent.
    static void AwaitMore(int count)
    {
        for (const int until = Sent + count; Sent < until;)
            usleep(100);
    }

    static inline std::atomic<int> Sent { 0 };

private:
    struct sigaction FOld { };
    std::atomic<bool> FStop { false };
    std::thread FSender;
};

} // namespace quorvane::testing
