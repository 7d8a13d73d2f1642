#include "platform/heap/GlibcVersion.h"

#include "platform/heap/RemoteMemory.h"
#include "platform/text/FileName.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <mutex>

namespace quorvane {

namespace {
    constexpr std::string_view BannerStart = "GNU C Library ";
    constexpr std::string_view VersionMark = " release version ";
    constexpr size_t BannerLength = 160; // the banner's first line, with room to spare
    constexpr uint64_t MaxRegionBytes = 8ull << 20;

    // Where a library file's banner was found, so that a heap list and every walk after it read
    // only the banner again: a file of the same identity may since be another one.
    struct FoundBanner {
        uint64_t fileOffset;
        GlibcVersion version;
    };
    std::mutex cacheLock;
    std::map<FileKey, FoundBanner> cache;

    std::optional<GlibcVersion> BannerAt(
        const RemoteMemory& memory, const MapRegion& region, uint64_t fileOffset)
    {
        if (fileOffset < region.offset || fileOffset - region.offset >= region.end - region.start)
            return std::nullopt;
        char text[BannerLength];
        const uint64_t address = region.start + (fileOffset - region.offset);
        const size_t got = memory.Read(
            address, text, size_t(std::min<uint64_t>(sizeof text, region.end - address)));
        return GlibcVersion::FromBanner(std::string_view(text, got));
    }

    std::optional<FoundBanner> Search(const RemoteMemory& memory, const MapRegion& region)
    {
        std::string bytes(size_t(std::min(region.end - region.start, MaxRegionBytes)), '\0');
        bytes.resize(memory.Read(region.start, bytes.data(), bytes.size()));
        for (size_t at = bytes.find(BannerStart); at != std::string::npos;
             at = bytes.find(BannerStart, at + 1)) {
            if (const auto version
                = GlibcVersion::FromBanner(std::string_view(bytes).substr(at, BannerLength)))
                return FoundBanner { region.offset + at, *version };
        }
        return std::nullopt;
    }
}

bool IsLibcRegion(const MapRegion& region)
{
    const std::string_view name = FileNameOf(region.path);
    return region.IsFile() && (name.starts_with("libc.so") || name.starts_with("libc-"));
}

std::optional<GlibcVersion> GlibcVersion::FromBanner(std::string_view text)
{
    if (!text.starts_with(BannerStart))
        return std::nullopt;
    text = text.substr(0, text.find('\0'));
    const size_t mark = text.find(VersionMark);
    if (mark == std::string_view::npos)
        return std::nullopt;
    const char* at = text.data() + mark + VersionMark.size();
    const char* end = text.data() + text.size();
    GlibcVersion version;
    const auto major = std::from_chars(at, end, version.major);
    if (major.ec != std::errc {} || major.ptr == end || *major.ptr != '.')
        return std::nullopt;
    const auto minor = std::from_chars(major.ptr + 1, end, version.minor);
    if (minor.ec != std::errc {})
        return std::nullopt;
    // A development snapshot (2.43.9000 leads to 2.44) may hold any layout: not a release.
    int patch = 0;
    if (minor.ptr != end && *minor.ptr == '.'
        && std::from_chars(minor.ptr + 1, end, patch).ec == std::errc {} && patch >= 9000)
        return std::nullopt;
    return version;
}

std::optional<GlibcVersion> GlibcVersion::Read(
    const RemoteMemory& memory, const std::vector<MapRegion>& regions)
{
    // The banner lies in the read-only data after the code: try the last such region first.
    std::vector<const MapRegion*> readOnly;
    for (const MapRegion& region : regions) {
        if (IsLibcRegion(region) && region.readable && !region.writable && !region.executable)
            readOnly.push_back(&region);
    }
    if (readOnly.empty())
        return std::nullopt;
    const FileKey file = readOnly.front()->file;
    std::optional<FoundBanner> known;
    {
        const std::lock_guard guard(cacheLock);
        if (const auto found = cache.find(file); found != cache.end())
            known = found->second;
    }
    if (known) {
        for (const MapRegion* region : readOnly) {
            const auto version = BannerAt(memory, *region, known->fileOffset);
            if (version && version->major == known->version.major
                && version->minor == known->version.minor)
                return version;
        }
    }
    for (auto region = readOnly.rbegin(); region != readOnly.rend(); ++region) {
        if (const auto found = Search(memory, **region)) {
            const std::lock_guard guard(cacheLock);
            cache[file] = *found;
            return found->version;
        }
    }
    return std::nullopt;
}

} // namespace quorvane
