#include "GlibcVersion.h"

#include "RemoteMemory.h"

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

    // Once read, a library file's version is kept: a heap list and every walk ask again.
    std::mutex cacheLock;
    std::map<FileKey, std::optional<GlibcVersion>> cache;

    std::optional<GlibcVersion> Search(const RemoteMemory& memory, const MapRegion& region)
    {
        std::string bytes(size_t(std::min(region.end - region.start, MaxRegionBytes)), '\0');
        bytes.resize(memory.Read(region.start, bytes.data(), bytes.size()));
        for (size_t at = bytes.find(BannerStart); at != std::string::npos;
             at = bytes.find(BannerStart, at + 1)) {
            if (const auto version
                = GlibcVersion::FromBanner(std::string_view(bytes).substr(at, BannerLength)))
                return version;
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
    {
        const std::lock_guard guard(cacheLock);
        if (const auto known = cache.find(file); known != cache.end())
            return known->second;
    }
    std::optional<GlibcVersion> version;
    bool anyRead = false;
    for (auto region = readOnly.rbegin(); region != readOnly.rend() && !version; ++region) {
        uint64_t probe = 0;
        anyRead = anyRead || memory.ReadExact((*region)->start, &probe, sizeof probe);
        version = Search(memory, **region);
    }
    // What could not be read says nothing about the file.
    if (anyRead) {
        const std::lock_guard guard(cacheLock);
        cache[file] = version;
    }
    return version;
}

} // namespace quorvane
