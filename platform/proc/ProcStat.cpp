#include "platform/proc/ProcStat.h"

#include "platform/text/TextFields.h"
#include "platform/text/WholeNumber.h"

namespace quorvane {

namespace {
    template <typename T> bool ToNumber(std::string_view text, T& value)
    {
        const std::optional<T> number = ParseDecimal<T>(text);
        if (number)
            value = *number;
        return number.has_value();
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

    // Fields are numbered as in proc(5); nothing after the line counts.
    std::string_view rest = text.substr(close + 1);
    rest = TakeLine(rest);
    std::string_view field[53];
    for (int number = 3; number <= 52; ++number) {
        field[number] = TakeWord(rest, ' ');
        if (!field[number].empty())
            stat.last_field = number;
    }
    if (field[3].size() != 1)
        return std::nullopt;
    stat.state = field[3].front();

    uint64_t unused = 0;
    if (!ToNumber(field[4], stat.ppid) || !ToNumber(field[5], unused) || !ToNumber(field[6], unused)
        || !ToNumber(field[9], stat.flags) || !ToNumber(field[18], stat.priority)
        || !ToNumber(field[19], stat.nice) || !ToNumber(field[20], stat.num_threads))
        return std::nullopt;
    if (!OptionalNumber(field[22], stat.starttime) || !OptionalNumber(field[23], stat.vsize)
        || !OptionalNumber(field[26], stat.startcode) || !OptionalNumber(field[27], stat.endcode)
        || !OptionalNumber(field[40], stat.rt_priority) || !OptionalNumber(field[41], stat.policy)
        || !OptionalNumber(field[48], stat.arg_start))
        return std::nullopt;
    return stat;
}

} // namespace quorvane
