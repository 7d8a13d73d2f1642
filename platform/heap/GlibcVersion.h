#pragma once

#include "platform/proc/ProcMaps.h"

#include <optional>
#include <vector>

namespace quorvane {

class RemoteMemory;

// The version of the GNU C library a process has mapped, from the banner in the library's
// read-only data ("GNU C Library ... release version 2.41."), as the process sees it: a library
// replaced on disk since it was mapped does not count.
struct GlibcVersion {
    int major = 0;
    int minor = 0;

    // Nothing for a process without a mapped glibc (a static program, another C library) or one
    // that cannot be read.
    static std::optional<GlibcVersion> Read(
        const RemoteMemory& memory, const std::vector<MapRegion>& regions);
    // The release named by the banner at the start of text: nothing when it names none.
    static std::optional<GlibcVersion> FromBanner(std::string_view text);
};

// The mapped C library's regions, when it is glibc's libc.so: by the file name of its mapping.
bool IsLibcRegion(const MapRegion& region);

} // namespace quorvane
