// Any bytes must parse without a fault; every region kept must be a well-formed range whose path
// lies inside the text, and its file name and decoded path must follow from that path.
#include "platform/proc/ProcMaps.h"
#include "platform/text/FileName.h"

#include <cstdint>
#include <cstdlib>

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t lines = 1;
    for (char c : text)
        lines += c == '\n';
    const std::vector<MapRegion> regions = ParseMaps(text);
    if (regions.size() > lines)
        std::abort();
    for (const MapRegion& region : regions) {
        if (region.end < region.start)
            std::abort();
        if (!region.path.empty()
            && (region.path.data() < text.data()
                || region.path.data() + region.path.size() > text.data() + text.size()
                || region.path.find('\n') != std::string_view::npos))
            std::abort();
        const std::string_view name = FileNameOf(region.path);
        if (name.find('/') != std::string_view::npos || !region.path.ends_with(name))
            std::abort();
        if (DecodeMapsPath(region.path).size() > region.path.size())
            std::abort();
        if (region.IsFile() && region.IsAnonymous())
            std::abort();
    }
    return 0;
}
