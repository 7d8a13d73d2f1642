#pragma once

#include "platform/proc/FileKey.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// One line of /proc/PID/maps. The path points into the text it was parsed from.
struct MapRegion {
    uint64_t start = 0;
    uint64_t end = 0;
    bool readable = false;
    bool writable = false;
    bool executable = false;
    bool shared = false;
    uint64_t offset = 0;
    FileKey file; // inode 0 for anonymous memory and the kernel's [heap], [stack], [vdso] ...
    std::string_view path; // as written: a newline in a name reads "\012"

    // A file of a file system: the pseudo-files of anon_inode and the bracketed regions are not.
    bool IsFile() const { return file.inode != 0 && !path.empty() && path.front() == '/'; }
    bool IsAnonymous() const { return file.inode == 0 && path.empty(); }
};

// Nothing when the line is not in the kernel's format.
std::optional<MapRegion> ParseMapsLine(std::string_view line);

// Every well-formed line, in file order; malformed lines are skipped.
std::vector<MapRegion> ParseMaps(std::string_view text);

// The path as the file system names it: "\012" back to a newline.
std::string DecodeMapsPath(std::string_view path);

} // namespace quorvane
