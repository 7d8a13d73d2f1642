#include "platform/proc/SystemResources.h"

#include "platform/proc/ProcFiles.h"
#include "platform/text/TextFields.h"
#include "platform/text/WholeNumber.h"

#include <algorithm>
#include <fcntl.h>
#include <vector>

namespace quorvane {

namespace {
    using Count = std::optional<unsigned long long>;

    Count ToNumber(std::string_view text)
    {
        return ParseDecimal<unsigned long long>(text);
    }

    // What the kernel writes between the numbers of its tables.
    constexpr std::string_view kWhiteSpace = " \t\n\r\f\v";

    std::optional<int> FreeShare(Count used, Count limit)
    {
        if (!used || !limit || *limit == 0)
            return std::nullopt;
        const unsigned long long free = *limit - std::min(*used, *limit);
        // 128 bits: file-max may be close to 2^63.
        return int((unsigned __int128)free * 100 / *limit);
    }
}

SystemResources::SystemResources(std::string procRoot)
    : FProcRoot(std::move(procRoot))
{
}

std::vector<std::string> SystemResources::Fields(const char* path) const
{
    std::vector<std::string> fields;
    if (const std::optional<std::string> text
        = ReadProcFile(AT_FDCWD, (FProcRoot + path).c_str())) {
        std::string_view rest = *text;
        for (std::string_view word; !(word = TakeWord(rest, kWhiteSpace)).empty();)
            fields.emplace_back(word);
    }
    return fields;
}

std::optional<int> SystemResources::FreePercent() const
{
    // file-nr: allocated handles, allocated but unused, maximum.
    const std::vector<std::string> files = Fields("/sys/fs/file-nr");
    Count openFiles;
    if (files.size() >= 2) {
        const Count allocated = ToNumber(files[0]);
        const Count unused = ToNumber(files[1]);
        if (allocated && unused)
            openFiles = *allocated - std::min(*unused, *allocated);
    }
    // loadavg's fourth field is "running/total"; total counts every task of the system.
    const std::vector<std::string> load = Fields("/loadavg");
    Count tasks;
    if (load.size() >= 4 && load[3].find('/') != std::string::npos)
        tasks = ToNumber(std::string_view(load[3]).substr(load[3].find('/') + 1));

    const auto limit = [this](const char* path) {
        const std::vector<std::string> fields = Fields(path);
        return fields.empty() ? Count() : ToNumber(fields[0]);
    };
    const std::optional<int> shares[] = {
        FreeShare(openFiles, limit("/sys/fs/file-max")),
        FreeShare(tasks, limit("/sys/kernel/pid_max")),
        FreeShare(tasks, limit("/sys/kernel/threads-max")),
    };
    std::optional<int> scarcest;
    for (const std::optional<int>& share : shares)
        if (share && (!scarcest || *share < *scarcest))
            scarcest = share;
    return scarcest;
}

} // namespace quorvane
