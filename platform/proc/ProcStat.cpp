#include "ProcStat.h"

#include <charconv>

namespace quorvane {

namespace {
    // Walks the space-separated fields after the name; field numbers are those of proc(5).
    class FieldReader {
    public:
        explicit FieldReader(std::string_view rest)
            : FRest(rest)
        {
        }

        // The next field's text, empty at the end.
        std::string_view Next()
        {
            while (!FRest.empty() && FRest.front() == ' ')
                FRest.remove_prefix(1);
            // A plain loop: find_first_of calls memchr once per character.
            size_t end = 0;
            while (end < FRest.size() && FRest[end] != ' ' && FRest[end] != '\n')
                ++end;
            if (end == FRest.size())
                end = std::string_view::npos;
            std::string_view field = FRest.substr(0, end);
            FRest.remove_prefix(end == std::string_view::npos ? FRest.size() : end);
            if (!FRest.empty() && FRest.front() == '\n')
                FRest = {};
            return field;
        }

    private:
        std::string_view FRest;
    };

    template <typename T> bool ToNumber(std::string_view text, T& value)
    {
        if (text.empty())
            return false;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        return error == std::errc() && end == text.data() + text.size();
    }

    // A missing trailing field leaves the value as it is; a malformed one fails.
    template <typename T> bool OptionalNumber(std::string_view text, T& value)
    {
        return text.empty() || ToNumber(text, value);
    }
}

std::optional<ProcStat> ParseProcStat(std::string_view text)
{
    const size_t open = text.find('(');
    const size_t close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::nullopt;

    ProcStat stat;
    if (!ToNumber(text.substr(0, open > 0 ? open - 1 : 0), stat.pid))
        return std::nullopt;
    stat.comm = std::string(text.substr(open + 1, close - open - 1));

    FieldReader fields(text.substr(close + 1));
    const std::string_view state = fields.Next(); // 3
    if (state.size() != 1)
        return std::nullopt;
    stat.state = state.front();

    std::string_view field[53];
    for (int number = 4; number <= 52; ++number)
        field[number] = fields.Next();

    uint64_t unused = 0;
    if (!ToNumber(field[4], stat.ppid) || !ToNumber(field[5], unused) || !ToNumber(field[6], unused)
        || !ToNumber(field[9], stat.flags) || !ToNumber(field[18], stat.priority)
        || !ToNumber(field[19], stat.nice) || !ToNumber(field[20], stat.num_threads))
        return std::nullopt;
    if (!OptionalNumber(field[22], stat.starttime) || !OptionalNumber(field[26], stat.startcode)
        || !OptionalNumber(field[27], stat.endcode) || !OptionalNumber(field[40], stat.rt_priority)
        || !OptionalNumber(field[41], stat.policy) || !OptionalNumber(field[48], stat.arg_start))
        return std::nullopt;
    return stat;
}

} // namespace quorvane
