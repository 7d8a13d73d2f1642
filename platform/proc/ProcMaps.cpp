#include "platform/proc/ProcMaps.h"

#include "platform/text/TextFields.h"
#include "platform/text/WholeNumber.h"

#include <sys/sysmacros.h>

namespace quorvane {

namespace {
    bool Hex(std::string_view text, uint64_t& value)
    {
        const std::optional<uint64_t> number = ParseHex<uint64_t>(text);
        value = number.value_or(0);
        return number.has_value();
    }

    bool SplitPair(std::string_view text, char separator, uint64_t& first, uint64_t& second)
    {
        const size_t at = text.find(separator);
        return at != std::string_view::npos && Hex(text.substr(0, at), first)
            && Hex(text.substr(at + 1), second);
    }
}

std::optional<MapRegion> ParseMapsLine(std::string_view line)
{
    MapRegion region;
    const std::string_view range = TakeField(line, ' ');
    const std::string_view perms = TakeField(line, ' ');
    const std::string_view offset = TakeField(line, ' ');
    const std::string_view device = TakeField(line, ' ');
    const std::string_view inode = TakeField(line, ' ');
    uint64_t major = 0;
    uint64_t minor = 0;
    if (!SplitPair(range, '-', region.start, region.end) || region.end < region.start
        || perms.size() != 4 || !Hex(offset, region.offset) || !SplitPair(device, ':', major, minor)
        || major > 0xFFFFFFFF || minor > 0xFFFFFFFF)
        return std::nullopt;
    const std::optional<uint64_t> inodeNumber = ParseDecimal<uint64_t>(inode);
    if (!inodeNumber)
        return std::nullopt;
    region.file.inode = *inodeNumber;
    region.readable = perms[0] == 'r';
    region.writable = perms[1] == 'w';
    region.executable = perms[2] == 'x';
    region.shared = perms[3] == 's';
    region.file.device = makedev(unsigned(major), unsigned(minor));
    // The kernel pads the inode column with spaces before the path.
    region.path = TrimFront(line, ' ');
    return region;
}

std::vector<MapRegion> ParseMaps(std::string_view text)
{
    std::vector<MapRegion> regions;
    while (!text.empty())
        if (const auto region = ParseMapsLine(TakeLine(text)))
            regions.push_back(*region);
    return regions;
}

std::string DecodeMapsPath(std::string_view path)
{
    std::string decoded;
    decoded.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        if (path.substr(i, 4) == "\\012") {
            decoded += '\n';
            i += 3;
        } else {
            decoded += path[i];
        }
    }
    return decoded;
}

} // namespace quorvane
