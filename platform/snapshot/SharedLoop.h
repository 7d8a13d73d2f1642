#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace quorvane {

// A loop over indices shared with a second thread kept for it: both take the next chunk until
// none is left. The caller never waits for the helper to start, only for a chunk it has taken:
// on a busy machine the helper may get no core before the caller is done alone, and a thread
// started for each loop would then be waited for (and cost a process identifier each time).
class SharedLoop {
public:
    // The part [from, to) of the indices, on worker 0 (the caller) or 1 (the helper).
    using Body = std::function<void(size_t from, size_t to, int worker)>;

    SharedLoop() = default;
    ~SharedLoop();
    SharedLoop(const SharedLoop&) = delete;
    SharedLoop& operator=(const SharedLoop&) = delete;

    // Runs body over [0, count) in chunks; alone when no thread can be had. What `body` throws,
    // on either thread, Run throws once neither thread is in `body` any more.
    void Run(size_t count, size_t chunk, const Body& body);

private:
    bool StartHelper();
    void Serve();
    void Take(const Body& body, int worker);
    void Close();

    std::mutex FMutex;
    std::condition_variable FWake;
    std::condition_variable FDone;
    const Body* FBody = nullptr; // the loop open to the helper, under FMutex
    uint64_t FLoop = 0; // counts loops, under FMutex
    bool FHelperBusy = false; // under FMutex
    bool FStop = false; // under FMutex
    std::exception_ptr FError; // what the helper's part threw, under FMutex
    bool FNoHelper = false;
    std::atomic<size_t> FNext = 0;
    size_t FCount = 0;
    size_t FChunk = 1;
    std::thread FHelper;
};

} // namespace quorvane
