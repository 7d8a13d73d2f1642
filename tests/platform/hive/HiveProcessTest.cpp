#include "ChildProcess.h"
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

using namespace quorvane;
using quorvane::testing::ChildProcess;

namespace {

std::string ReadFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

const HiveNode* TestKey(const HiveDocument& document)
{
    return document.FindKey("HKEY_CURRENT_USER", { "Software", "Test" });
}

// A hive with values of every kind around the one the writer changes.
HiveDocument SeedHive()
{
    HiveDocument document;
    HiveNode& key = document.CreateKey("HKEY_CURRENT_USER", { "Software", "Test" });
    for (int i = 0; i < 20; ++i) {
        const std::string n = std::to_string(i);
        key.SetValue({ "text" + n, REG_SZ, Utf8ToStringData("value " + n) });
        key.SetValue(
            { "binary" + n, REG_BINARY, std::string(static_cast<size_t>(i * 13), char(i)) });
        key.SetValue(
            { "multi" + n, REG_MULTI_SZ, Utf8ToStringData("a" + n) + std::string(2, '\0') });
        key.SetValue({ "qword" + n, REG_QWORD, std::string(8, char(0xF0 + i % 16)) });
    }
    document.CreateKey("HKEY_CURRENT_USER", { "Software", "Other" })
        .SetValue({ "", REG_DWORD, "\x01\x02\x03\x04" });
    return document;
}

} // namespace

TEST(HiveProcesses, aWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile)
{
    QTemporaryDir folder;
    const std::string hive = folder.path().toStdString() + "/quorvane/user.reg";
    QDir().mkpath(folder.path() + "/quorvane");
    const HiveDocument seed = SeedHive();
    {
        QFile file(QString::fromStdString(hive));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(SerializeHive(seed)));
    }
    const std::vector<HiveValue> seeded = TestKey(seed)->Values();
    const std::string other = SerializeHive(seed).substr(
        SerializeHive(seed).find("[HKEY_CURRENT_USER\\Software\\Other]"));

    // From the writer's first finished write on, a kill may land at any point of the next ones:
    // the pauses spread over 5 ms. More rounds: --gtest_repeat.
    constexpr int kKills = 25;
    long last = 0;
    for (int round = 0; round < kKills; ++round) {
        ChildProcess writer(HIVE_WRITER, { hive, "loop", "counter" });
        ASSERT_EQ(writer.ReadLine(), "w") << "round " << round;
        const timespec wait { 0, round * 5'000'000L / kKills };
        ::nanosleep(&wait, nullptr);
        ::kill(writer.Pid(), SIGKILL);
        const int status = writer.Finish();
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round << ": the writer stopped by itself";

        const std::string text = ReadFile(hive);
        const HiveDocument document = ParseHive(text);
        ASSERT_FALSE(document.Damaged())
            << "round " << round << ": " << document.Problems().front();
        const HiveNode* key = TestKey(document);
        ASSERT_NE(key, nullptr);
        for (const HiveValue& value : seeded) {
            const HiveValue* now = key->FindValue(value.Name);
            ASSERT_NE(now, nullptr) << value.Name;
            ASSERT_EQ(*now, value) << "round " << round;
        }
        ASSERT_NE(text.find(other), std::string::npos) << "round " << round;
        // The first write of this writer is in the file, and perhaps some later ones.
        const HiveValue* counter = key->FindValue("counter");
        ASSERT_NE(counter, nullptr);
        const long now = std::stol(StringDataToUtf8(counter->Data));
        ASSERT_GT(now, last) << "round " << round;
        last = now;
    }

    // What the killed writers left in the folder goes with the next write.
    const auto key = HiveKey::OpenRoot(HiveFile(hive, HiveRoot::hrCurrentUser, true))
                         .OpenSubKey("Software\\Test");
    ASSERT_TRUE(key);
    ASSERT_EQ(key->SetValue("after", REG_SZ, Utf8ToStringData("x")), HiveResult::hsOk);
    EXPECT_EQ(QDir(folder.path() + "/quorvane")
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { "user.reg" });
}

TEST(HiveProcesses, twoWritersLoseNoneOfEachOthersValues)
{
    QTemporaryDir folder;
    const std::string hive = folder.path().toStdString() + "/quorvane/user.reg";
    constexpr int kEach = 40;
    ChildProcess first(HIVE_WRITER, { hive, "fill", "first", std::to_string(kEach) });
    ChildProcess second(HIVE_WRITER, { hive, "fill", "second", std::to_string(kEach) });
    for (ChildProcess* writer : { &first, &second }) {
        const int status = writer->Finish();
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const HiveDocument document = ParseHive(ReadFile(hive));
    ASSERT_FALSE(document.Damaged());
    const HiveNode* key = TestKey(document);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Values().size(), size_t(2 * kEach));
    for (const char* prefix : { "first", "second" }) {
        for (int i = 0; i < kEach; ++i) {
            const std::string name = prefix + std::to_string(i);
            const HiveValue* value = key->FindValue(name);
            ASSERT_NE(value, nullptr) << name;
            EXPECT_EQ(StringDataToUtf8(value->Data), name);
        }
    }
}
