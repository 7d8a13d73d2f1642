#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <sys/types.h>

namespace quorvane {

// Reads another process's memory with process_vm_readv: as many bytes as a call can take, and
// small pieces many to a call. Needs the rights of ptrace attach; without them nothing is read.
class RemoteMemory {
public:
    // One small read of a batch.
    struct Piece {
        uint64_t address = 0;
        void* target = nullptr;
        size_t size = 0;
        bool read = false; // set by ReadPieces: all of it arrived
    };

    explicit RemoteMemory(pid_t processId);

    pid_t ProcessId() const { return FProcessId; }

    // Copies from address on until size bytes or the first unreadable page; returns the count.
    size_t Read(uint64_t address, void* target, size_t size) const;
    bool ReadExact(uint64_t address, void* target, size_t size) const
    {
        return Read(address, target, size) == size;
    }
    template <typename T> std::optional<T> Load(uint64_t address) const
    {
        T value;
        if (!ReadExact(address, &value, sizeof value))
            return std::nullopt;
        return value;
    }

    // Reads every piece, up to 1024 a call; a piece on an unreadable page is left unread.
    void ReadPieces(std::span<Piece> pieces) const;

private:
    pid_t FProcessId;
};

} // namespace quorvane
