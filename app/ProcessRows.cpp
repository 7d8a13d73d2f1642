#include "app/ProcessRows.h"

namespace quorvane {

void ProcessRows::Sweep()
{
    std::erase_if(
        FByPid, [this](const auto& entry) { return entry.second.Generation != FGeneration; });
    ++FGeneration;
}

} // namespace quorvane
