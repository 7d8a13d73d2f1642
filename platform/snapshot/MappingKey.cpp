#include "platform/snapshot/MappingKey.h"

#include "platform/proc/ProcStat.h"

namespace quorvane {

std::optional<MappingKey> ParseMappingKey(std::string_view statText)
{
    const std::optional<ProcStat> stat = ParseProcStat(statText);
    // A text cut before vsize would read as a size of 0 and look like a change.
    if (!stat || stat->last_field < 23)
        return std::nullopt;
    return MappingKey { stat->starttime, stat->vsize, (stat->flags & PF_KTHREAD) != 0 };
}

} // namespace quorvane
