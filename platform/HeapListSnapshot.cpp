#include "HeapListSnapshot.h"

#include "MallocArenas.h"
#include "ProcFiles.h"
#include "ProcMaps.h"
#include "RemoteMemory.h"

#include <fcntl.h>
#include <string>

namespace quorvane {

HeapListSnapshot::HeapListSnapshot(std::vector<HEAPLIST32> heaps)
    : FHeaps(std::move(heaps))
{
}

bool HeapListSnapshot::Heap32ListFirst(HEAPLIST32& heap)
{
    return FHeaps.First(heap);
}

bool HeapListSnapshot::Heap32ListNext(HEAPLIST32& heap)
{
    return FHeaps.Next(heap);
}

namespace {
    std::optional<std::vector<HEAPLIST32>> HeapsOf(uint32_t processId)
    {
        const std::string path = "/proc/" + std::to_string(processId) + "/maps";
        const std::optional<std::string> maps = ReadProcFile(AT_FDCWD, path.c_str());
        if (!maps)
            return std::nullopt;
        const RemoteMemory memory { pid_t(processId) };
        const MallocArenas arenas = MallocArenas::Find(memory, ParseMaps(*maps));
        std::vector<HEAPLIST32> heaps;
        for (const MallocHeap& heap : arenas.Heaps()) {
            HEAPLIST32 entry;
            entry.th32ProcessID = processId;
            entry.th32HeapID = heap.start;
            entry.dwFlags = heap.main ? HF32_DEFAULT : 0;
            heaps.push_back(entry);
        }
        return heaps;
    }
}

std::vector<HEAPLIST32> ReadHeapList(uint32_t processId)
{
    return HeapsOf(processId).value_or(std::vector<HEAPLIST32>());
}

std::unique_ptr<ToolhelpSnapshot> CreateHeapListSnapshot(uint32_t processId)
{
    std::optional<std::vector<HEAPLIST32>> heaps = HeapsOf(processId);
    if (!heaps)
        return nullptr;
    return std::make_unique<HeapListSnapshot>(std::move(*heaps));
}

} // namespace quorvane
