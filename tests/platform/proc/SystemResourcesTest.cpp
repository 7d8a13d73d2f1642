#include "platform/proc/SystemResources.h"
#include "tests/support/WriteFile.h"

#include <QTemporaryDir>
#include <array>
#include <gtest/gtest.h>

using namespace quorvane;

TEST(SystemResources, freeShareIsThatOfTheScarcestTable)
{
    // The kernel tables as files under a folder of the test's; an empty text leaves a file out.
    const char* names[] = { "sys/fs/file-nr", "sys/fs/file-max", "loadavg", "sys/kernel/pid_max",
        "sys/kernel/threads-max" };
    const std::pair<std::array<const char*, 5>, std::optional<int>> cases[] = {
        // Files 950 - 50 = 900 of 1000 used; 100 tasks of 32768 and 192735.
        { { "950\t50\t1000\n", "1000\n", "0.1 0.2 0.3 2/100 4242\n", "32768\n", "192735\n" }, 10 },
        // Tasks are the scarcest: 83 of 100 identifiers are free.
        { { "950\t0\t9223372036854775807\n", "9223372036854775807\n", "0.00 0.00 0.00 1/17 99\n",
              "100\n", "192735\n" },
            83 },
        { { "", "", "0.00 0.00 0.00 1/100 99\n", "", "100\n" }, 0 },
        { { "junk\n", "100\n", "0.0 0.0 0.0 nonsense 1\n", "0\n", "x\n" }, std::nullopt },
    };
    for (const auto& [texts, expected] : cases) {
        QTemporaryDir root;
        const std::string folder = root.path().toStdString();
        for (size_t i = 0; i < texts.size(); ++i) {
            if (*texts[i] != '\0')
                quorvane::testing::WriteFile(folder + "/" + names[i], texts[i]);
        }
        EXPECT_EQ(SystemResources(folder).FreePercent(), expected) << texts[0] << texts[2];
    }
}
