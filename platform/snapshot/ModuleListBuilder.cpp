#include "platform/snapshot/ModuleListBuilder.h"

#include "platform/posix/UniqueFd.h"
#include "platform/proc/ProcFiles.h"
#include "platform/snapshot/LinuxToolhelpSnapshot.h"
#include "platform/snapshot/MappingKey.h"
#include "platform/text/FileName.h"

#include <algorithm>
#include <fcntl.h>
#include <string>
#include <unordered_map>

namespace quorvane {

bool ModuleListBuilder::Build(uint32_t processId, LinuxToolhelpSnapshot& snapshot)
{
    return ReadModules(processId, FIds, FUsage, snapshot.Modules().Records());
}

std::optional<uint32_t> ModuleListBuilder::ModuleGlobalUsage(uint32_t moduleId) const
{
    const std::optional<FileKey> file = FIds.FileOf(moduleId);
    return file ? FUsage.GlobalUsage(*file) : std::nullopt;
}

void ModuleListBuilder::SetOnUsageChanged(std::function<void()> onChanged)
{
    FUsage.SetOnChanged(std::move(onChanged));
}

std::vector<MappedFile> GroupMappedFiles(const std::vector<MapRegion>& regions)
{
    std::vector<MappedFile> files;
    std::unordered_map<FileKey, size_t, FileKeyHash> index;
    for (const MapRegion& region : regions) {
        if (!region.IsFile())
            continue;
        const auto [at, added] = index.try_emplace(region.file, files.size());
        if (added) {
            files.push_back({ region.file, region.start, region.end, 0, region.path });
        }
        MappedFile& file = files[at->second];
        file.low = std::min(file.low, region.start);
        file.high = std::max(file.high, region.end);
        ++file.mappings;
    }
    std::stable_sort(files.begin(), files.end(),
        [](const MappedFile& a, const MappedFile& b) { return a.low < b.low; });
    return files;
}

bool ReadModules(uint32_t processId, ModuleIdTable& ids, GlobalUsageIndex& usage,
    std::vector<MODULEENTRY32>& modules)
{
    const std::string processPath = "/proc/" + std::to_string(processId);
    const UniqueFd processDir(::open(processPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!processDir.Valid())
        return false;
    // The key before the maps, as the index reads them.
    const std::optional<std::string> stat = ReadProcFile(processDir.Get(), "stat");
    const std::optional<MappingKey> key = stat ? ParseMappingKey(*stat) : std::nullopt;
    const std::optional<std::string> maps = ReadProcFile(processDir.Get(), "maps");
    if (!maps)
        return false;

    const std::vector<MappedFile> files = GroupMappedFiles(ParseMaps(*maps));
    if (key) {
        std::vector<FileKey> keys;
        keys.reserve(files.size());
        for (const MappedFile& file : files)
            keys.push_back(file.file);
        std::sort(keys.begin(), keys.end());
        usage.Record(processId, *key, std::move(keys));
    }

    modules.reserve(modules.size() + files.size());
    for (const MappedFile& file : files) {
        MODULEENTRY32 module;
        module.th32ModuleID = ids.IdOf(file.file);
        module.th32ProcessID = processId;
        module.GlblcntUsage = usage.GlobalUsage(file.file).value_or(0);
        module.ProccntUsage = file.mappings;
        module.modBaseAddr = file.low;
        module.modBaseSize = file.high - file.low;
        module.hModule = file.low;
        module.szExePath = DecodeMapsPath(file.path);
        module.szModule = std::string(FileNameOf(module.szExePath));
        modules.push_back(std::move(module));
    }
    usage.Refresh();
    return true;
}

} // namespace quorvane
