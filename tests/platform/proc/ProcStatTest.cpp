#include "ProcStat.h"
#include "Priority.h"
#include "ToolHelp.h"

#include <gtest/gtest.h>

using namespace quorvane;

namespace {
// A real line of a sleeping bash, with the name swapped in.
std::string StatLine(const std::string& comm, const std::string& tail = "")
{
    return "4242 (" + comm
        + ") S 1 4242 4242 34816 4242 4194560 1136 0 0 0 1 0 0 0 20 -3 5 0 98765 8699904 1280 "
          "18446744073709551615 94000000000000 94000000900000 140730000000000 0 0 0 65536 "
          "3686404 1266761467 1 0 0 17 1 7 2 0 0 0 94000001000000 94000001040000 94000002000000 "
          "140730000010000 140730000010100 140730000010100 140730000020000 0"
        + tail + "\n";
}
}

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

TEST(ProcStatParsing, nameRunsToTheLastClosingParenthesis)
{
    for (const std::string name :
        { "a b", "x) (y", ")", "((", "a) S 1 2 3 (b", "line\nbreak", "" }) {
        const auto stat = ParseProcStat(StatLine(name));
        ASSERT_TRUE(stat) << name;
        EXPECT_EQ(stat->comm, name);
        EXPECT_EQ(stat->num_threads, 5) << name;
        EXPECT_EQ(stat->policy, 2u) << name;
    }
}

TEST(ProcStatParsing, nameKeepsBytesThatAreNotUtf8)
{
    const std::string name = "\xff\xfe\x01 z";
    const auto stat = ParseProcStat(StatLine(name));
    ASSERT_TRUE(stat);
    EXPECT_EQ(stat->comm, name);
}

TEST(ProcStatParsing, truncatedLinesFailBeforeTheThreadCountAndDegradeAfterIt)
{
    const std::string full = StatLine("cat");
    const size_t threadsEnd = full.find(" 0 98765");
    for (size_t cut = 0; cut < full.size(); ++cut) {
        const auto stat = ParseProcStat(std::string_view(full).substr(0, cut));
        if (cut < threadsEnd) {
            EXPECT_FALSE(stat) << "cut at " << cut;
        } else if (stat) {
            EXPECT_EQ(stat->num_threads, 5) << "cut at " << cut;
        }
    }
    const auto noTail = ParseProcStat(full.substr(0, threadsEnd));
    ASSERT_TRUE(noTail);
    EXPECT_EQ(noTail->starttime, 0u);
    EXPECT_EQ(noTail->policy, 0u);
}

TEST(ProcStatParsing, rejectsGarbage)
{
    for (const std::string bad : { "", "()", "x (a) S", "12 (a) S x 1", "12 a) S 1",
             "12 (a) SS 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18",
             "12 (a) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 -x 18" })
        EXPECT_FALSE(ParseProcStat(bad)) << bad;
}

TEST(PriorityMapping, basePriorityFollowsPolicyAndNice)
{
    struct Case {
        uint32_t policy;
        int32_t nice;
        int32_t base;
        uint32_t priorityClass;
    };
    for (const Case c : std::initializer_list<Case> {
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
         }) {
        EXPECT_EQ(BasePriority(c.policy, c.nice), c.base) << c.policy << "/" << c.nice;
        EXPECT_EQ(PriorityClassOf(c.policy, c.nice), c.priorityClass) << c.policy << "/" << c.nice;
    }
}

TEST(PriorityMapping, threadDeltaIsBoundedExceptForIdleAndRealTime)
{
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_OTHER, 0, SCHED_POLICY_OTHER, 0), 0);
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_OTHER, 0, SCHED_POLICY_OTHER, 5), -2);
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_OTHER, 0, SCHED_POLICY_OTHER, 19), -2);
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_OTHER, 0, SCHED_POLICY_OTHER, -1), 2);
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_OTHER, 0, SCHED_POLICY_IDLE, 0), -15);
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_OTHER, 0, SCHED_POLICY_FIFO, 0), 15);
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_RR, 0, SCHED_POLICY_RR, 0), 0);
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_RR, 0, SCHED_POLICY_OTHER, 0), -2);
}
