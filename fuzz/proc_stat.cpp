// Any bytes must parse or be refused without a fault, and a record that parses must come back
// unchanged from the line the kernel would write for it.
#include "platform/proc/ProcStat.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quorvane;

namespace {
std::string LineOf(const ProcStat& stat)
{
    std::string line = std::to_string(stat.pid) + " (" + stat.comm + ") " + stat.state;
    auto field = [&line](auto value) { line += ' ' + std::to_string(value); };
    field(stat.ppid); // 4
    for (int number = 5; number <= 8; ++number)
        field(0);
    field(stat.flags); // 9
    for (int number = 10; number <= 17; ++number)
        field(0);
    field(stat.priority); // 18
    field(stat.nice);
    field(stat.num_threads);
    field(0);
    field(stat.starttime); // 22
    field(stat.vsize);
    for (int number = 24; number <= 25; ++number)
        field(0);
    field(stat.startcode); // 26
    field(stat.endcode);
    for (int number = 28; number <= 39; ++number)
        field(0);
    field(stat.rt_priority); // 40
    field(stat.policy);
    for (int number = 42; number <= 47; ++number)
        field(0);
    field(stat.arg_start); // 48
    return line + '\n';
}

bool Same(const ProcStat& a, const ProcStat& b)
{
    return a.pid == b.pid && a.comm == b.comm && a.state == b.state && a.ppid == b.ppid
        && a.flags == b.flags && a.priority == b.priority && a.nice == b.nice
        && a.num_threads == b.num_threads && a.starttime == b.starttime && a.vsize == b.vsize
        && a.startcode == b.startcode && a.endcode == b.endcode && a.rt_priority == b.rt_priority
        && a.policy == b.policy && a.arg_start == b.arg_start;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<ProcStat> stat = ParseProcStat(text);
    if (!stat)
        return 0;
    if (stat->comm.size() >= size)
        std::abort();
    const std::optional<ProcStat> again = ParseProcStat(LineOf(*stat));
    if (!again || !Same(*stat, *again))
        std::abort();
    return 0;
}
