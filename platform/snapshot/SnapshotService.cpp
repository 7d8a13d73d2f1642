#include "SnapshotService.h"

#include "ExecutableType.h"

namespace quorvane {

uint32_t SnapshotService::ExecutableTypeOf(const PROCESSENTRY32& record)
{
    return ExecutableTypeOfFile(record.szExeFile);
}

} // namespace quorvane
