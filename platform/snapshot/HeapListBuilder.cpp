#include "platform/snapshot/HeapListBuilder.h"

#include "platform/heap/MallocArenas.h"
#include "platform/heap/RemoteMemory.h"
#include "platform/proc/ProcFiles.h"
#include "platform/proc/ProcMaps.h"
#include "platform/snapshot/LinuxToolhelpSnapshot.h"

#include <fcntl.h>
#include <string>

namespace quorvane {

bool HeapListBuilder::Build(uint32_t processId, LinuxToolhelpSnapshot& snapshot)
{
    return ReadHeapList(processId, snapshot.HeapLists().Records());
}

bool ReadHeapList(uint32_t processId, std::vector<HEAPLIST32>& heaps)
{
    const std::string path = "/proc/" + std::to_string(processId) + "/maps";
    const std::optional<std::string> maps = ReadProcFile(AT_FDCWD, path.c_str());
    if (!maps)
        return false;
    const RemoteMemory memory { pid_t(processId) };
    const MallocArenas arenas = MallocArenas::Find(memory, ParseMaps(*maps));
    for (const MallocHeap& heap : arenas.Heaps()) {
        HEAPLIST32 entry;
        entry.th32ProcessID = processId;
        entry.th32HeapID = heap.start;
        entry.dwFlags = heap.main ? HF32_DEFAULT : 0;
        heaps.push_back(entry);
    }
    return true;
}

} // namespace quorvane
