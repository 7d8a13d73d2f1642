#include "ProcStat.h"
#include "Priority.h"
#include "ToolHelp.h"

#include <gtest/gtest.h>

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

// What a line parses to, in brief.
std::string Parsed(const std::string& line)
{
    const auto stat = ParseProcStat(line);
    if (!stat)
        return "refused";
    return "(" + stat->comm + ") " + std::to_string(stat->num_threads) + " threads, start "
        + std::to_string(stat->starttime) + ", policy " + std::to_string(stat->policy);
}

} // namespace

TEST(ProcStatParsing, readsTheFieldsAfterTheName)
{
    const auto stat = ParseProcStat(StatLine("bash"));
    ASSERT_TRUE(stat);
    EXPECT_EQ(stat->pid, 4242);
    EXPECT_EQ(stat->comm, "bash");
    EXPECT_EQ(stat->state, 'S');
    EXPECT_EQ(stat->ppid, 1);
    EXPECT_EQ(stat->flags, 4194560u);
    EXPECT_EQ(stat->priority, 20);
    EXPECT_EQ(stat->nice, -3);
    EXPECT_EQ(stat->num_threads, 5);
    EXPECT_EQ(stat->starttime, 98765u);
    EXPECT_EQ(stat->startcode, 94000000000000u);
    EXPECT_EQ(stat->endcode, 94000000900000u);
    EXPECT_EQ(stat->arg_start, 140730000010000u);
    EXPECT_EQ(stat->rt_priority, 7u);
    EXPECT_EQ(stat->policy, 2u);
}

TEST(ProcStatParsing, takesTheNameToTheLastParenthesisAndRefusesWhatIsCutOrNoNumber)
{
    const std::string threadsEnd = StatLine("cat", StatLine("cat").find(" 0 98765"));
    const struct {
        std::string Line;
        std::string Parsed;
    } cases[] = {
        { StatLine("a b"), "(a b) 5 threads, start 98765, policy 2" },
        { StatLine("x) (y"), "(x) (y) 5 threads, start 98765, policy 2" },
        { StatLine(")"), "()) 5 threads, start 98765, policy 2" },
        { StatLine("(("), "((() 5 threads, start 98765, policy 2" },
        { StatLine("a) S 1 2 3 (b"), "(a) S 1 2 3 (b) 5 threads, start 98765, policy 2" },
        { StatLine("line\nbreak"), "(line\nbreak) 5 threads, start 98765, policy 2" },
        { StatLine("\xff\xfe\x01 z"), "(\xff\xfe\x01 z) 5 threads, start 98765, policy 2" },
        { StatLine(""), "() 5 threads, start 98765, policy 2" },
        // Fields after the thread count may be missing; those before may not.
        { threadsEnd, "(cat) 5 threads, start 0, policy 0" },
        { threadsEnd.substr(0, threadsEnd.size() - 2), "refused" },
        { StatLine("cat", 9), "refused" },
        { "", "refused" },
        { "()", "refused" },
        { "x (a) S", "refused" },
        { "12 (a) S x 1", "refused" },
        { "12 a) S 1", "refused" },
        { "12 (a) SS 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18", "refused" },
        { "12 (a) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 -x 18", "refused" },
    };
    for (const auto& test : cases)
        EXPECT_EQ(Parsed(test.Line), test.Parsed) << test.Line;
}

TEST(PriorityMapping, basePriorityAndClassFollowPolicyAndNice)
{
    const struct {
        uint32_t Policy;
        int32_t Nice;
        int32_t Base;
        uint32_t PriorityClass;
    } cases[] = {
        { SCHED_POLICY_RR, 0, 24, REALTIME_PRIORITY_CLASS },
        { SCHED_POLICY_FIFO, 19, 24, REALTIME_PRIORITY_CLASS },
        { SCHED_POLICY_DEADLINE, 0, 24, REALTIME_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, -20, 13, HIGH_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, -5, 13, HIGH_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, -4, 10, NORMAL_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, -1, 10, NORMAL_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, 0, 8, NORMAL_PRIORITY_CLASS },
        { SCHED_POLICY_BATCH, 0, 8, NORMAL_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, 1, 6, NORMAL_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, 9, 6, NORMAL_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, 10, 4, IDLE_PRIORITY_CLASS },
        { SCHED_POLICY_IDLE, -20, 4, IDLE_PRIORITY_CLASS },
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(std::to_string(test.Policy) + "/" + std::to_string(test.Nice));
        EXPECT_EQ(BasePriority(test.Policy, test.Nice), test.Base);
        EXPECT_EQ(PriorityClassOf(test.Policy, test.Nice), test.PriorityClass);
    }
}

TEST(PriorityMapping, threadDeltaIsBoundedExceptForIdleAndRealTime)
{
    // The process runs SCHED_OTHER at nice 0 unless said otherwise.
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_OTHER, 0, SCHED_POLICY_OTHER, 19), -2);
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_OTHER, 0, SCHED_POLICY_OTHER, -1), 2);
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_OTHER, 0, SCHED_POLICY_FIFO, 0), 15);
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_RR, 0, SCHED_POLICY_RR, 0), 0);
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_RR, 0, SCHED_POLICY_OTHER, 0), -2);
}
