#include "platform/snapshot/ModuleIdTable.h"

namespace quorvane {

uint32_t ModuleIdTable::IdOf(const FileKey& file)
{
    const std::lock_guard lock(FLock);
    const auto [at, added] = FIds.try_emplace(file, uint32_t(FFiles.size() + 1));
    if (added)
        FFiles.push_back(file);
    return at->second;
}

std::optional<FileKey> ModuleIdTable::FileOf(uint32_t id) const
{
    const std::lock_guard lock(FLock);
    if (id == 0 || id > FFiles.size())
        return std::nullopt;
    return FFiles[id - 1];
}

} // namespace quorvane
