#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <thread>

namespace quorvane {

class RemoteMemory;

// One read of another process's memory at a time, made in pieces by a thread of its own while
// the caller works through what the read before brought; the caller, once it waits, takes the
// pieces not yet begun itself. The thread is stopped and joined with the object.
class ReadAhead {
public:
    // Throws std::system_error when no thread can be had.
    explicit ReadAhead(const RemoteMemory& memory);
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Starts copying size bytes from address into target, which is the thread's until Wait.
    // Each Start is followed by a Wait before the next.
    void Start(uint64_t address, void* target, size_t size);
    // The bytes the started read brought from its start on, counted as RemoteMemory::Read
    // counts them.
    size_t Wait();

private:
    static constexpr size_t PieceCount = 8;

    void Serve(std::stop_token stop);
    // Copies the next piece not yet begun, with FMutex held by lock around the claim only;
    // false when none is left.
    bool CopyPiece(std::unique_lock<std::mutex>& lock);

    const RemoteMemory& FMemory;
    std::mutex FMutex;
    std::condition_variable_any FChanged;
    // The asked read and its pieces, under FMutex.
    uint64_t FAddress = 0;
    char* FTarget = nullptr;
    size_t FSize = 0;
    size_t FPieceBytes = 0;
    size_t FNextPiece = PieceCount; // none to begin
    size_t FBusy = 0; // pieces begun and not done
    std::array<size_t, PieceCount> FGot {};
    std::jthread FThread; // last: stopped and joined before the members it uses go
};

} // namespace quorvane
