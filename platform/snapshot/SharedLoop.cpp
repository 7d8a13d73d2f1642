#include "platform/snapshot/SharedLoop.h"

#include <system_error>
#include <utility>

namespace quorvane {

SharedLoop::~SharedLoop()
{
    if (!FHelper.joinable())
        return;
    {
        const std::lock_guard lock(FMutex);
        FStop = true;
    }
    FWake.notify_one();
    FHelper.join();
}

bool SharedLoop::StartHelper()
{
    if (FHelper.joinable())
        return true;
    if (FNoHelper)
        return false;
    try {
        FHelper = std::thread([this] { Serve(); });
    } catch (const std::system_error&) {
        FNoHelper = true; // no thread to be had: alone from now on
    }
    return FHelper.joinable();
}

void SharedLoop::Run(size_t count, size_t chunk, const Body& body)
{
    FCount = count;
    FChunk = chunk > 0 ? chunk : 1;
    FNext.store(0, std::memory_order_relaxed);
    if (!StartHelper()) {
        Take(body, 0);
        return;
    }
    {
        const std::lock_guard lock(FMutex);
        FBody = &body;
        ++FLoop;
    }
    FWake.notify_one();
    try {
        Take(body, 0);
    } catch (...) {
        Close(); // the helper may still be in `body`, which ends with this frame
        FError = nullptr; // one error leaves Run; the helper's must not wait for the next loop
        throw;
    }
    Close();
    if (FError)
        std::rethrow_exception(std::exchange(FError, nullptr));
}

void SharedLoop::Close()
{
    // Closed to the helper from here: it starts no chunk of this loop once it wakes.
    std::unique_lock lock(FMutex);
    FBody = nullptr;
    FDone.wait(lock, [this] { return !FHelperBusy; });
}

void SharedLoop::Take(const Body& body, int worker)
{
    for (;;) {
        const size_t from = FNext.fetch_add(FChunk, std::memory_order_relaxed);
        if (from >= FCount)
            return;
        body(from, std::min(from + FChunk, FCount), worker);
    }
}

void SharedLoop::Serve()
{
    uint64_t served = 0;
    std::unique_lock lock(FMutex);
    for (;;) {
        FWake.wait(lock, [&] { return FStop || (FBody && FLoop != served); });
        if (FStop)
            return;
        served = FLoop;
        const Body& body = *FBody;
        FHelperBusy = true;
        lock.unlock();
        std::exception_ptr error;
        try {
            Take(body, 1);
        } catch (...) {
            error = std::current_exception(); // the caller's to meet, once the loop is done
        }
        lock.lock();
        FError = error;
        FHelperBusy = false;
        FDone.notify_one();
    }
}

} // namespace quorvane
