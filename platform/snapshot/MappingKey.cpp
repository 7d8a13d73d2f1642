#include "MappingKey.h"

#include "ProcStat.h"

#include <charconv>

namespace quorvane {

std::optional<MappingKey> ParseMappingKey(std::string_view statText)
{
    const size_t close = statText.rfind(')');
    if (close == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = statText.substr(close + 1);
    MappingKey key;
    uint64_t flags = 0;
    bool haveFlags = false, haveStart = false, haveSize = false;
    // Fields are numbered as in proc(5): the state after the name is field 3.
    for (int number = 3; number <= 23 && !rest.empty(); ++number) {
        while (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
        const size_t end = rest.find_first_of(" \n");
        const std::string_view field = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
        uint64_t* target = number == 9 ? &flags
            : number == 22             ? &key.starttime
            : number == 23             ? &key.vsize
                                       : nullptr;
        if (!target)
            continue;
        const auto [at, error]
            = std::from_chars(field.data(), field.data() + field.size(), *target);
        if (field.empty() || error != std::errc() || at != field.data() + field.size())
            return std::nullopt;
        (number == 9 ? haveFlags : number == 22 ? haveStart : haveSize) = true;
    }
    if (!haveFlags || !haveStart || !haveSize)
        return std::nullopt;
    key.kernelThread = (flags & PF_KTHREAD) != 0;
    return key;
}

} // namespace quorvane
