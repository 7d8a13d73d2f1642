#include "dialogs/ValueTexts.h"

#include <cstdint>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

// The main window's rows pin the common values; these are the edges.
TEST(ValueTexts, priorityNamesCompareTheWholeSignedValue)
{
    EXPECT_EQ(PriorityClassName(8 + 65536), "Unknown");
    EXPECT_EQ(PriorityClassName(-8), "Unknown");
}

TEST(ValueTexts, threadPriorityTextSignsTheDeltaAndNamesBoth)
{
    EXPECT_EQ(ThreadPriorityText(8, 3), "8+3 : Normal, +3");
    EXPECT_EQ(ThreadPriorityText(6, -1), "6-1 : Unknown, Below Normal");
    EXPECT_EQ(ThreadPriorityName(0x7FFFFFFF), "Error");
    EXPECT_EQ(ThreadPriorityName(INT32_MIN), "-2147483648");
}

} // namespace
