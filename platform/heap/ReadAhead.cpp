#include "platform/heap/ReadAhead.h"

#include "platform/heap/RemoteMemory.h"

#include <algorithm>

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
        FTarget = static_cast<char*>(target);
        FSize = size;
        // Whole words, so that a piece never splits one.
        FPieceBytes = (size / PieceCount + 7) / 8 * 8;
        FNextPiece = 0;
        FGot.fill(0);
    }
    FChanged.notify_all();
}

bool ReadAhead::CopyPiece(std::unique_lock<std::mutex>& lock)
{
    const size_t piece = FNextPiece;
    const size_t from = std::min(FSize, piece * FPieceBytes);
    if (piece >= PieceCount || from == FSize)
        return false;
    ++FNextPiece;
    ++FBusy;
    const size_t size = std::min(FPieceBytes, FSize - from);
    const uint64_t address = FAddress + from;
    char* const target = FTarget + from;
    lock.unlock();
    const size_t got = FMemory.Read(address, target, size);
    lock.lock();
    FGot[piece] = got;
    --FBusy;
    return true;
}

size_t ReadAhead::Wait()
{
    std::unique_lock lock(FMutex);
    while (CopyPiece(lock)) { }
    FChanged.wait(lock, [this] { return FBusy == 0; });
    FNextPiece = PieceCount;
    // As one read would: up to the first piece that stopped short.
    size_t got = 0;
    for (size_t piece = 0; piece < PieceCount && got < FSize; ++piece) {
        got += FGot[piece];
        if (FGot[piece] < std::min(FPieceBytes, FSize - piece * FPieceBytes))
            break;
    }
    return got;
}

void ReadAhead::Serve(std::stop_token stop)
{
    std::unique_lock lock(FMutex);
    while (FChanged.wait(lock, stop,
        [this] { return FNextPiece < PieceCount && FNextPiece * FPieceBytes < FSize; })) {
        while (CopyPiece(lock)) { }
        FChanged.notify_all();
    }
}

} // namespace quorvane
