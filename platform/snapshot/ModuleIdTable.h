#pragma once

#include "platform/proc/FileKey.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace quorvane {

// Module identifiers for the program's run: each file gets the next number the first time it is
// seen, so one file has one identifier in every process and no two files share one.
class ModuleIdTable {
public:
    uint32_t IdOf(const FileKey& file);
    std::optional<FileKey> FileOf(uint32_t id) const;

private:
    mutable std::mutex FLock;
    std::unordered_map<FileKey, uint32_t, FileKeyHash> FIds;
    std::vector<FileKey> FFiles; // index id - 1
};

} // namespace quorvane
