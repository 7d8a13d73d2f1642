#include "HiveKey.h"
#include "HiveParser.h"
#include "HiveText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <ctime>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvane;

namespace {

std::string ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// A second process writing to the hive's Software\Test key as the program does; it ends with
// status 0 when body returns true.
template <typename Body> pid_t StartWriter(const QString& hive, Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const auto key
            = HiveKey::OpenRoot(HiveFile(hive.toStdString(), HiveRoot::hrCurrentUser, true))
                  .CreateSubKey("Software\\Test");
        ::_exit(key && body(*key) ? 0 : 1);
    }
    return pid;
}

int Finish(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid ? status : -1;
}

} // namespace

TEST(HiveProcesses, aWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile)
{
    QTemporaryDir folder;
    const QString hive = folder.path() + "/quorvane/user.reg";
    // Values of several kinds around the one the writers count up.
    HiveDocument seed;
    seed.CreateKey("HKEY_CURRENT_USER", { "Software", "Test" })
        .SetValue({ "counter", REG_SZ, Utf8ToStringData("0") });
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(i);
        HiveNode& key
            = seed.CreateKey("HKEY_CURRENT_USER", { "Software", i % 2 ? "Test" : "Other" });
        key.SetValue({ "text" + n, REG_SZ, Utf8ToStringData("value " + n) });
        key.SetValue({ "binary" + n, REG_BINARY, std::string(size_t(i * 13), char(i)) });
        key.SetValue({ "qword" + n, REG_QWORD, std::string(8, char(0xF0 + i % 16)) });
    }
    QDir().mkpath(folder.path() + "/quorvane");
    QFile file(hive);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(SerializeHive(seed)));
    file.close();

    // From the writer's first finished write on, the kill lands somewhere in the next ones;
    // bench_hive kills many more.
    long last = 0;
    for (const long delay : { 0L, 300'000L, 1'000'000L, 3'000'000L }) {
        SCOPED_TRACE(delay);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t writer = StartWriter(hive, [&](const HiveKey& key) {
            HiveValue stored;
            key.QueryValue("counter", stored);
            for (long counter = std::stol(StringDataToUtf8(stored.Data)) + 1;; ++counter) {
                const std::string text = std::to_string(counter);
                if (key.SetValue("counter", REG_SZ, Utf8ToStringData(text)) != HiveResult::hsOk
                    || (counter == last + 1 && ::write(ready[1], "w", 1) != 1))
                    return false;
            }
        });
        char reported = 0;
        ::close(ready[1]);
        ASSERT_EQ(::read(ready[0], &reported, 1), 1) << "the writer ended before its first write";
        ::close(ready[0]);
        const timespec wait { 0, delay };
        ::nanosleep(&wait, nullptr);
        ::kill(writer, SIGKILL);
        ASSERT_TRUE(WIFSIGNALED(Finish(writer)));

        // The writer's first write is in the file, perhaps some later ones, and all else as it was.
        HiveDocument document = ParseHive(ReadFile(hive));
        ASSERT_FALSE(document.Damaged()) << document.Problems().front();
        HiveNode* key = document.FindKey("HKEY_CURRENT_USER", { "Software", "Test" });
        const HiveValue* counter = key ? key->FindValue("counter") : nullptr;
        ASSERT_NE(counter, nullptr);
        const long now = std::stol(StringDataToUtf8(counter->Data));
        ASSERT_GT(now, last);
        last = now;
        key->SetValue({ "counter", REG_SZ, Utf8ToStringData("0") });
        ASSERT_EQ(SerializeHive(document), SerializeHive(seed));
    }

    // What the killed writers left in the folder goes with the next write; a file that only
    // looks alike is someone else's and stays.
    QFile other(folder.path() + "/quorvane/.user.reg.keep-me");
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    ASSERT_EQ(HiveKey::OpenRoot(HiveFile(hive.toStdString(), HiveRoot::hrCurrentUser, true))
                  .SetValue("after", REG_SZ, Utf8ToStringData("x")),
        HiveResult::hsOk);
    EXPECT_EQ(QDir(folder.path() + "/quorvane")
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        (QStringList { ".user.reg.keep-me", "user.reg" }));
}

TEST(HiveProcesses, twoWritersLoseNoneOfEachOthersValues)
{
    QTemporaryDir folder;
    const QString hive = folder.path() + "/quorvane/user.reg";
    constexpr int kEach = 10;
    std::vector<pid_t> writers;
    for (const std::string prefix : { "first", "second" }) {
        writers.push_back(StartWriter(hive, [&](const HiveKey& key) {
            for (int i = 0; i < kEach; ++i) {
                const std::string name = prefix + std::to_string(i);
                if (key.SetValue(name, REG_SZ, Utf8ToStringData(name)) != HiveResult::hsOk)
                    return false;
            }
            return true;
        }));
    }
    for (const pid_t writer : writers)
        ASSERT_EQ(Finish(writer), 0);

    const HiveDocument document = ParseHive(ReadFile(hive));
    ASSERT_FALSE(document.Damaged());
    const HiveNode* key = document.FindKey("HKEY_CURRENT_USER", { "Software", "Test" });
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Values().size(), size_t(2 * kEach));
    for (const HiveValue& value : key->Values())
        EXPECT_EQ(StringDataToUtf8(value.Data), value.Name);
}
