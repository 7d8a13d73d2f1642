#include "SystemResources.h"
#include "MemoryStatus.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace quorvane;

namespace {

// The kernel tables as files under a folder of the test's; an empty text leaves a file out.
struct Tables {
    const char* FileNr;
    const char* FileMax;
    const char* LoadAvg;
    const char* PidMax;
    const char* ThreadsMax;
    std::optional<int> Expected;
};

class FreeResources : public ::testing::TestWithParam<Tables> { };

TEST_P(FreeResources, isTheFreeShareOfTheScarcestTable)
{
    const Tables& tables = GetParam();
    QTemporaryDir root;
    QDir(root.path()).mkpath("sys/fs");
    QDir(root.path()).mkpath("sys/kernel");
    const std::pair<const char*, const char*> files[] = { { "sys/fs/file-nr", tables.FileNr },
        { "sys/fs/file-max", tables.FileMax }, { "loadavg", tables.LoadAvg },
        { "sys/kernel/pid_max", tables.PidMax }, { "sys/kernel/threads-max", tables.ThreadsMax } };
    for (const auto& [name, text] : files) {
        if (*text == '\0')
            continue;
        QFile file(root.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    EXPECT_EQ(SystemResources(root.path().toStdString()).FreePercent(), tables.Expected);
}

INSTANTIATE_TEST_SUITE_P(SystemResources, FreeResources,
    ::testing::Values(
        // Files 950 - 50 = 900 of 1000 used; 100 tasks of 32768 and 192735.
        Tables {
            "950\t50\t1000\n", "1000\n", "0.1 0.2 0.3 2/100 4242\n", "32768\n", "192735\n", 10 },
        // Tasks are the scarcest: 83 of 100 identifiers are free.
        Tables { "950\t0\t9223372036854775807\n", "9223372036854775807\n",
            "0.00 0.00 0.00 1/17 99\n", "100\n", "192735\n", 83 },
        Tables { "", "", "0.00 0.00 0.00 1/100 99\n", "", "100\n", 0 },
        Tables { "12 0 100\n", "100\n", "", "", "", 88 },
        Tables { "", "", "", "", "", std::nullopt },
        Tables { "junk\n", "100\n", "0.0 0.0 0.0 nonsense 1\n", "0\n", "x\n", std::nullopt }));

TEST(MemoryStatus, totalIsThePhysicalMemoryInBytes)
{
    MEMORYSTATUS status;
    status.dwLength = sizeof status;
    GlobalMemoryStatus(status);
    EXPECT_EQ(
        status.dwTotalPhys, uint64_t(sysconf(_SC_PHYS_PAGES)) * uint64_t(sysconf(_SC_PAGESIZE)));
}

} // namespace
