#include "HiveKey.h"
#include "HiveParser.h"
#include "HiveText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace quorvane;

namespace {

// One run of the writer helper, its standard output on a pipe; killed and reaped when it goes out
// of scope.
class Writer {
public:
    explicit Writer(const std::vector<std::string>& arguments)
    {
        std::vector<char*> argv;
        std::string program = HIVE_WRITER;
        argv.push_back(program.data());
        std::vector<std::string> copies = arguments;
        for (std::string& argument : copies)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        int output[2];
        if (::pipe2(output, O_CLOEXEC) != 0)
            return;
        FOutput = output[0];
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        if (::posix_spawn(&FPid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            FPid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(output[1]);
    }
    ~Writer()
    {
        if (FPid > 0) {
            ::kill(FPid, SIGKILL);
            Wait();
        }
        if (FOutput >= 0)
            ::close(FOutput);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    bool Started() const { return FPid > 0; }
    // Blocks until the writer reports its first write done; false when it ended instead.
    bool WaitFirstWrite()
    {
        char mark = 0;
        ssize_t got = 0;
        while ((got = ::read(FOutput, &mark, 1)) < 0 && errno == EINTR) { }
        return got == 1;
    }
    void Kill() { ::kill(FPid, SIGKILL); }
    // The wait status.
    int Wait()
    {
        int status = 0;
        while (::waitpid(FPid, &status, 0) < 0 && errno == EINTR) { }
        FPid = -1;
        return status;
    }

private:
    pid_t FPid = -1;
    int FOutput = -1;
};

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

    const unsigned seedValue = std::random_device()();
    SCOPED_TRACE("random seed " + std::to_string(seedValue));
    std::mt19937 random(seedValue);
    // From the writer's first finished write on, a kill may land at any point of the next ones.
    std::uniform_int_distribution<long> pause(0, 5'000'000); // nanoseconds
    long last = 0;
    constexpr int kKills = 150;
    for (int round = 0; round < kKills; ++round) {
        Writer writer({ hive, "loop", "counter" });
        ASSERT_TRUE(writer.Started());
        ASSERT_TRUE(writer.WaitFirstWrite()) << "round " << round;
        const timespec wait { 0, pause(random) };
        ::nanosleep(&wait, nullptr);
        writer.Kill();
        const int status = writer.Wait();
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
    constexpr int kEach = 150;
    Writer first({ hive, "fill", "first", std::to_string(kEach) });
    Writer second({ hive, "fill", "second", std::to_string(kEach) });
    ASSERT_TRUE(first.Started() && second.Started());
    const int firstStatus = first.Wait();
    const int secondStatus = second.Wait();
    ASSERT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0);
    ASSERT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 0);

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
