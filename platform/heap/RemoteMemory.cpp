#include "platform/heap/RemoteMemory.h"

#include <algorithm>
#include <cerrno>
#include <sys/uio.h>
#include <vector>

namespace quorvane {

namespace {
    constexpr size_t MaxPiecesPerCall = 1024; // IOV_MAX
}

RemoteMemory::RemoteMemory(pid_t processId)
    : FProcessId(processId)
{
}

size_t RemoteMemory::Read(uint64_t address, void* target, size_t size) const
{
    size_t done = 0;
    while (done < size) {
        iovec local { static_cast<char*>(target) + done, size - done };
        iovec remote { reinterpret_cast<void*>(address + done), size - done };
        const ssize_t got = ::process_vm_readv(FProcessId, &local, 1, &remote, 1, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += size_t(got);
    }
    return done;
}

void RemoteMemory::ReadPieces(std::span<Piece> pieces) const
{
    std::vector<iovec> local;
    std::vector<iovec> remote;
    size_t next = 0;
    while (next < pieces.size()) {
        const size_t count = std::min(MaxPiecesPerCall, pieces.size() - next);
        local.clear();
        remote.clear();
        for (size_t i = next; i < next + count; ++i) {
            local.push_back({ pieces[i].target, pieces[i].size });
            remote.push_back({ reinterpret_cast<void*>(pieces[i].address), pieces[i].size });
        }
        const ssize_t got = ::process_vm_readv(
            FProcessId, local.data(), local.size(), remote.data(), remote.size(), 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno != EFAULT) {
            return; // not ours to read: nothing will be
        }
        // The call stops at the first piece it cannot read; go on after that one.
        size_t bytes = got < 0 ? 0 : size_t(got);
        size_t i = next;
        for (; i < next + count && bytes >= pieces[i].size; ++i) {
            bytes -= pieces[i].size;
            pieces[i].read = true;
        }
        next = i + 1;
    }
}

} // namespace quorvane
