#include "platform/heap/ReadAhead.h"

#include "platform/heap/RemoteMemory.h"

namespace quorvane {

ReadAhead::ReadAhead(const RemoteMemory& memory)
    : FMemory(memory)
    , FThread([this](std::stop_token stop) { Serve(stop); })
{
}

void ReadAhead::Start(uint64_t address, void* target, size_t size)
{
    {
        const std::lock_guard lock(FMutex);
        FAddress = address;
        FTarget = target;
        FSize = size;
        FAsked = true;
    }
    FChanged.notify_all();
}

size_t ReadAhead::Wait()
{
    std::unique_lock lock(FMutex);
    FChanged.wait(lock, [this] { return FDone; });
    FDone = false;
    return FGot;
}

void ReadAhead::Serve(std::stop_token stop)
{
    std::unique_lock lock(FMutex);
    while (FChanged.wait(lock, stop, [this] { return FAsked; })) {
        FAsked = false;
        const uint64_t address = FAddress;
        void* const target = FTarget;
        const size_t size = FSize;
        lock.unlock();
        const size_t got = FMemory.Read(address, target, size);
        lock.lock();
        FGot = got;
        FDone = true;
        FChanged.notify_all();
    }
}

} // namespace quorvane
