#include "ListTexts.h"

#include <gtest/gtest.h>

using namespace quorvane;

// The main window's rows pin the common values; these are the edges.
TEST(ListTexts, priorityNamesCompareTheWholeSignedValue)
{
    EXPECT_EQ(PriorityClassName(4), "Idle");
    EXPECT_EQ(PriorityClassName(8 + 65536), "Unknown");
    EXPECT_EQ(PriorityClassName(-8), "Unknown");
}

TEST(ListTexts, threadPriorityTextSignsTheDeltaAndNamesBoth)
{
    EXPECT_EQ(ThreadPriorityText(8, 3), "8+3 : Normal, +3");
    EXPECT_EQ(ThreadPriorityText(6, -1), "6-1 : Unknown, Below Normal");
    EXPECT_EQ(ThreadPriorityName(0x7FFFFFFF), "Error");
    EXPECT_EQ(ThreadPriorityName(INT32_MIN), "-2147483648");
}

TEST(ListTexts, fileNameIsTheTextAfterTheLastSlashAndOnlyAsciiCapitalsAreLowered)
{
    EXPECT_EQ(FileNamePart("C:\\WINDOWS\\EXPLORER.EXE"), "C:\\WINDOWS\\EXPLORER.EXE");
    EXPECT_EQ(FileNamePart("/trailing/"), "");
    EXPECT_EQ(FileNamePart("[kworker/0:1-events]"), "[kworker/0:1-events]");
    EXPECT_EQ(FileNamePart("/tmp/[odd]"), "[odd]");
    EXPECT_EQ(
        LowerCaseAscii(QString::fromUtf8("ÄÖÜ-Straße-ABC")), QString::fromUtf8("ÄÖÜ-straße-abc"));
    const QString undecodable = SystemText("\xff\xfeNAME");
    EXPECT_TRUE(LowerCaseAscii(undecodable).endsWith("name"));
}
