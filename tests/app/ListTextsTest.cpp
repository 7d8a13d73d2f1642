#include "app/ListTexts.h"

#include <QString>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

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

} // namespace
