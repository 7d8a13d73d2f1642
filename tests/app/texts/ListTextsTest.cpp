#include "ListTexts.h"

#include <gtest/gtest.h>

using namespace quorvane;

TEST(ListTexts, priorityNamesCompareTheWholeSignedValue)
{
    EXPECT_EQ(PriorityClassName(4), "Idle");
    EXPECT_EQ(PriorityClassName(24), "Real Time");
    EXPECT_EQ(PriorityClassName(10), "Unknown");
    EXPECT_EQ(PriorityClassName(8 + 65536), "Unknown");
    EXPECT_EQ(PriorityClassName(-8), "Unknown");
}

TEST(ListTexts, threadPriorityTextSignsTheDeltaAndNamesBothAndPointersAreWide)
{
    EXPECT_EQ(ThreadPriorityText(13, 15), "13+15 : High, Time Critical");
    EXPECT_EQ(ThreadPriorityText(8, 3), "8+3 : Normal, +3");
    EXPECT_EQ(ThreadPriorityText(4, -15), "4-15 : Idle, Idle");
    EXPECT_EQ(ThreadPriorityText(6, -1), "6-1 : Unknown, Below Normal");
    EXPECT_EQ(ThreadPriorityName(0x7FFFFFFF), "Error");
    EXPECT_EQ(ThreadPriorityName(-7), "-7");
    EXPECT_EQ(ThreadPriorityName(INT32_MIN), "-2147483648");
    EXPECT_EQ(HexPointer(~uint64_t(0)), "$FFFFFFFFFFFFFFFF");
    EXPECT_EQ(HeapStatusText(2), "Shared");
}

TEST(ListTexts, fileNameIsTheTextAfterTheLastSlashAndOnlyAsciiCapitalsAreLowered)
{
    EXPECT_EQ(FileNamePart("C:\\WINDOWS\\EXPLORER.EXE"), "C:\\WINDOWS\\EXPLORER.EXE");
    EXPECT_EQ(FileNamePart("/opt/a:b/c\\d"), "c\\d");
    EXPECT_EQ(FileNamePart("plain"), "plain");
    EXPECT_EQ(FileNamePart("/trailing/"), "");
    EXPECT_EQ(FileNamePart("[kworker/0:1-events]"), "[kworker/0:1-events]");
    EXPECT_EQ(FileNamePart("/tmp/[odd]"), "[odd]");
    EXPECT_EQ(LowerCaseAscii("EXPLORER.EXE"), "explorer.exe");
    EXPECT_EQ(
        LowerCaseAscii(QString::fromUtf8("ÄÖÜ-Straße-ABC")), QString::fromUtf8("ÄÖÜ-straße-abc"));
    const QString undecodable = SystemText("\xff\xfeNAME");
    EXPECT_TRUE(LowerCaseAscii(undecodable).endsWith("name"));
}
