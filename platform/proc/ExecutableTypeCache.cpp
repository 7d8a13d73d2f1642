#include "platform/proc/ExecutableTypeCache.h"

#include "platform/proc/ExecutableType.h"

#include <sys/stat.h>

namespace quorvane {

bool ExecutableTypeCache::FileVersion::operator==(const FileVersion& other) const
{
    return File == other.File && Size == other.Size && Modified.tv_sec == other.Modified.tv_sec
        && Modified.tv_nsec == other.Modified.tv_nsec && Changed.tv_sec == other.Changed.tv_sec
        && Changed.tv_nsec == other.Changed.tv_nsec;
}

uint32_t ExecutableTypeCache::TypeOf(const std::string& path)
{
    return Lookup(path).Type;
}

const std::string& ExecutableTypeCache::TextOf(const std::string& path)
{
    return Lookup(path).Text;
}

const ExecutableTypeCache::Entry& ExecutableTypeCache::Lookup(const std::string& path)
{
    struct stat info { };
    if (path.empty() || path.front() != '/' || stat(path.c_str(), &info) != 0) {
        FEntries.erase(path);
        return FNone;
    }
    const FileVersion version { { info.st_dev, info.st_ino }, info.st_size, info.st_mtim,
        info.st_ctim };
    Entry& entry = FEntries[path];
    if (!entry.Read || !(entry.Version == version)) {
        entry.Read = true;
        entry.Version = version;
        entry.Type = ExecutableTypeOfFile(path);
        entry.Text = ExecutableTypeText(entry.Type);
    }
    return entry;
}

} // namespace quorvane
