#include "platform/snapshot/SnapshotService.h"

#include "platform/proc/ExecutableType.h"

namespace quorvane {

uint32_t SnapshotService::ExecutableTypeOf(const PROCESSENTRY32& record)
{
    return ExecutableTypeOfFile(record.szExeFile);
}

} // namespace quorvane
