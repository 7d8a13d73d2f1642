#include "ProcMaps.h"

#include <charconv>
#include <sys/sysmacros.h>

namespace quorvane {

namespace {
    // Takes the characters up to the next space (or the end) off the front of text.
    std::string_view TakeField(std::string_view& text)
    {
        const size_t end = text.find(' ');
        const std::string_view field = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        return field;
    }

    bool Hex(std::string_view text, uint64_t& value)
    {
        if (text.empty())
            return false;
        const auto [end, error]
            = std::from_chars(text.data(), text.data() + text.size(), value, 16);
        return error == std::errc() && end == text.data() + text.size();
    }

    bool Decimal(std::string_view text, uint64_t& value)
    {
        if (text.empty())
            return false;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        return error == std::errc() && end == text.data() + text.size();
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
    const std::string_view range = TakeField(line);
    const std::string_view perms = TakeField(line);
    const std::string_view offset = TakeField(line);
    const std::string_view device = TakeField(line);
    const std::string_view inode = TakeField(line);
    uint64_t major = 0;
    uint64_t minor = 0;
    if (!SplitPair(range, '-', region.start, region.end) || region.end < region.start
        || perms.size() != 4 || !Hex(offset, region.offset) || !SplitPair(device, ':', major, minor)
        || major > 0xFFFFFFFF || minor > 0xFFFFFFFF || !Decimal(inode, region.file.inode))
        return std::nullopt;
    region.readable = perms[0] == 'r';
    region.writable = perms[1] == 'w';
    region.executable = perms[2] == 'x';
    region.shared = perms[3] == 's';
    region.file.device = makedev(unsigned(major), unsigned(minor));
    // The kernel pads the inode column with spaces before the path.
    const size_t path = line.find_first_not_of(' ');
    region.path = path == std::string_view::npos ? std::string_view() : line.substr(path);
    return region;
}

std::vector<MapRegion> ParseMaps(std::string_view text)
{
    std::vector<MapRegion> regions;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (const auto region = ParseMapsLine(text.substr(0, end)))
            regions.push_back(*region);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
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

std::string_view FileNameOf(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace quorvane
