#pragma once

#include "platform/proc/FileKey.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <sys/types.h>
#include <unordered_map>

namespace quorvane {

// Executable types and their texts per path, each kept for as long as the file at that path is the
// same one (device, inode, size and change times), so a refresh re-reads only files that changed.
class ExecutableTypeCache {
public:
    uint32_t TypeOf(const std::string& path);
    // The text of TypeOf(path); valid until the next call.
    const std::string& TextOf(const std::string& path);

    size_t Size() const { return FEntries.size(); }

private:
    // One state of one file: a file written in place keeps its key but not its version.
    struct FileVersion {
        FileKey File;
        off_t Size = 0;
        timespec Modified {};
        timespec Changed {};
        bool operator==(const FileVersion& other) const;
    };
    struct Entry {
        FileVersion Version;
        bool Read = false;
        uint32_t Type = 0;
        std::string Text;
    };
    const Entry& Lookup(const std::string& path);

    std::unordered_map<std::string, Entry> FEntries;
    Entry FNone;
};

} // namespace quorvane
