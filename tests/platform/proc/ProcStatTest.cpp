#include "platform/proc/ProcStat.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace quorvane;

namespace {

// A real line of a sleeping bash with the name swapped in, cut to `size` bytes.
std::string StatLine(const std::string& comm, size_t size = std::string::npos)
{
    return ("4242 (" + comm
        + ") S 1 4242 4242 34816 4242 4194560 1136 0 0 0 1 0 0 0 20 -3 5 0 98765 8699904 1280 "
          "18446744073709551615 94000000000000 94000000900000 140730000000000 0 0 0 65536 "
          "3686404 1266761467 1 0 0 17 1 7 2 0 0 0 94000001000000 94000001040000 94000002000000 "
          "140730000010000 140730000010100 140730000010100 140730000020000 0\n")
        .substr(0, size);
}

// What a line parses to: every field we use, in the order of the line.
std::string Parsed(const std::string& line)
{
    const auto stat = ParseProcStat(line);
    if (!stat)
        return "refused";
    std::ostringstream text;
    text << stat->pid << " (" << stat->comm << ") " << stat->state << " ppid " << stat->ppid
         << " flags " << stat->flags << " priority " << stat->priority << " nice " << stat->nice
         << " threads " << stat->num_threads << " start " << stat->starttime << " size "
         << stat->vsize << " code " << stat->startcode << "-" << stat->endcode << " args "
         << stat->arg_start << " rt " << stat->rt_priority << " policy " << stat->policy
         << " fields " << stat->last_field;
    return text.str();
}

// What the line of the sleeping bash parses to under another name.
std::string Bash(const std::string& comm,
    const std::string& after = " start 98765 size 8699904 code 94000000000000-94000000900000 "
                               "args 140730000010000 rt 7 policy 2 fields 52")
{
    return "4242 (" + comm + ") S ppid 1 flags 4194560 priority 20 nice -3 threads 5" + after;
}

} // namespace

TEST(ProcStat, takesTheNameToTheLastParenthesisAndRefusesWhatIsCutOrNoNumber)
{
    const std::string toThreads = StatLine("cat", StatLine("cat").find(" 0 98765"));
    const std::string cutAfterThreads = " start 0 size 0 code 0-0 args 0 rt 0 policy 0 fields 20";
    const std::pair<std::string, std::string> cases[] = {
        { StatLine("a) S 1 2 3 (b"), Bash("a) S 1 2 3 (b") },
        { StatLine(""), Bash("") },
        // Fields after the thread count may be missing; those before may not.
        { toThreads, Bash("cat", cutAfterThreads) },
        { toThreads.substr(0, toThreads.size() - 2), "refused" },
        { toThreads + "\n0 777", Bash("cat", cutAfterThreads) }, // the first line only
        { StatLine("cat", 9), "refused" },
        { "12 (a) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 -x 18", "refused" },
    };
    for (const auto& [line, parsed] : cases)
        EXPECT_EQ(Parsed(line), parsed) << line;
}
