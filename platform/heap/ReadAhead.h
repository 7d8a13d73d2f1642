#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <thread>

namespace quorvane {

class RemoteMemory;

// One read of another process's memory at a time, made by a thread of its own while the caller
// works through what the read before brought. The thread is stopped and joined with the object.
class ReadAhead {
public:
    // Throws std::system_error when no thread can be had.
    explicit ReadAhead(const RemoteMemory& memory);
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Starts copying size bytes from address into target, which is the thread's until Wait.
    // Each Start is followed by a Wait before the next.
    void Start(uint64_t address, void* target, size_t size);
    // The bytes the started read brought, counted as RemoteMemory::Read counts them.
    size_t Wait();

private:
    void Serve(std::stop_token stop);

    const RemoteMemory& FMemory;
    std::mutex FMutex;
    std::condition_variable_any FChanged;
    // The asked read and its answer, under FMutex.
    uint64_t FAddress = 0;
    void* FTarget = nullptr;
    size_t FSize = 0;
    size_t FGot = 0;
    bool FAsked = false;
    bool FDone = false;
    std::jthread FThread; // last: stopped and joined before the members it uses go
};

} // namespace quorvane
