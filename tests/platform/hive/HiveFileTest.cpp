#include "platform/hive/HiveKey.h"
#include "platform/hive/HiveParser.h"
#include "platform/hive/HiveText.h"
#include "tests/support/ConfigHome.h"
#include "tests/support/ScopedVariable.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvane;

namespace {

QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// A second process writing to the user's Software\Test key as the program does; it ends with
// status 0 when body returns true.
template <typename Body> pid_t StartWriter(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const auto key = HiveKey::OpenRoot(HKEY_CURRENT_USER).CreateSubKey("Software\\Test");
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

TEST(HiveFile, aDamagedFileIsKeptAsideBeforeTheFirstWriteAndWhatWasReadCarriesOver)
{
    const QByteArray damaged = "Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_CURRENT_USER\\Software\\Test]\n"
                               "\"good\"=\"kept\"\n"
                               "\x01\x02 binary garbage \xff\n";
    ConfigHome home;
    home.WriteUserHive(damaged);
    const auto key = HiveKey::OpenRoot(HKEY_CURRENT_USER).OpenSubKey("Software\\Test");
    ASSERT_TRUE(key);
    EXPECT_EQ(home.ReadUserHive(), damaged); // reading alone changes nothing

    ASSERT_EQ(key->SetValue("new", REG_SZ, Utf8ToStringData("value")), HiveResult::hsOk);
    const QStringList entries = FolderEntries(home.Path() + "/quorvane");
    ASSERT_EQ(entries.size(), 2) << entries.join(' ').toStdString();
    EXPECT_TRUE(entries[1].startsWith("user.reg.unreadable-20")) << entries[1].toStdString();
    QFile aside(home.Path() + "/quorvane/" + entries[1]);
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), damaged);
    EXPECT_TRUE(home.ReadUserHive().contains("\"good\"=\"kept\""));
    // The file is sound again: later writes keep nothing more aside.
    ASSERT_EQ(key->SetValue("later", REG_SZ, Utf8ToStringData("x")), HiveResult::hsOk);
    EXPECT_EQ(FolderEntries(home.Path() + "/quorvane").size(), 2);
}

TEST(HiveFile, writesArePrivateWhateverTheUmask)
{
    ConfigHome home;
    const mode_t old = ::umask(0);
    const auto key = HiveKey::OpenRoot(HKEY_CURRENT_USER).CreateSubKey("Software\\Test");
    ::umask(old);
    ASSERT_TRUE(key);
    struct stat info { };
    ASSERT_EQ(::stat(home.UserHive().toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    ASSERT_EQ(::stat((home.Path() + "/quorvane").toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
}

TEST(HiveFile, hivesAreFoundByTheBaseDirectoryRules)
{
    ConfigHome home;
    // The machine's is the first one found along the list; a relative config home is not used.
    QTemporaryDir empty;
    home.WriteMachineHive("");
    qputenv("XDG_CONFIG_DIRS", (empty.path() + ":" + home.MachineDir()).toLocal8Bit());
    EXPECT_EQ(HiveFile::ForLocalMachine().Path(),
        (home.MachineDir() + "/quorvane/machine.reg").toStdString());
    const quorvane::testing::ScopedVariable someone("HOME", "/home/someone");
    qputenv("XDG_CONFIG_HOME", "relative/is/ignored");
    EXPECT_EQ(HiveFile::ForCurrentUser().Path(), "/home/someone/.config/quorvane/user.reg");
    HiveFile::SetProgramFolder("another"); // the folder is the program's to name
    EXPECT_EQ(HiveFile::ForCurrentUser().Path(), "/home/someone/.config/another/user.reg");
    HiveFile::SetProgramFolder("quorvane");
}

TEST(HiveFile, aLinkedHiveIsWrittenWhereItLivesAndTheLinkStays)
{
    ConfigHome home;
    home.WriteUserHive(
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Old]\n\"old\"=\"1\"\n");
    QTemporaryDir dotfiles;
    QFile real(dotfiles.path() + "/user.reg");
    ASSERT_TRUE(QFile::rename(home.UserHive(), real.fileName()));
    ASSERT_TRUE(real.link(home.UserHive()));
    const auto key = HiveKey::OpenRoot(HKEY_CURRENT_USER).OpenSubKey("Old");
    ASSERT_TRUE(key && key->SetValue("new", REG_SZ, Utf8ToStringData("2")) == HiveResult::hsOk);
    EXPECT_TRUE(QFileInfo(home.UserHive()).isSymLink());
    ASSERT_TRUE(real.open(QIODevice::ReadOnly));
    const QByteArray written = real.readAll();
    EXPECT_TRUE(written.contains("\"old\"=\"1\"") && written.contains("\"new\"=\"2\""));
}

TEST(HiveFile, aWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile)
{
    ConfigHome home;
    // Values around the one the writers count up, so that each write takes a while.
    HiveDocument seed;
    seed.CreateKey("HKEY_CURRENT_USER", { "Software", "Test" })
        .SetValue({ "counter", REG_SZ, Utf8ToStringData("0") });
    for (int i = 0; i < 40; ++i) {
        seed.CreateKey("HKEY_CURRENT_USER", { "Software", i % 2 ? "Test" : "Other" })
            .SetValue(
                { "v" + std::to_string(i), REG_BINARY, std::string(size_t(i * 13), char(i)) });
    }
    home.WriteUserHive(QByteArray::fromStdString(SerializeHive(seed)));

    // From the writer's first finished write on, the kill lands somewhere in the next ones;
    // bench_hive kills many more.
    long last = 0;
    for (const useconds_t delay : { 0, 300, 1000, 3000 }) {
        SCOPED_TRACE(delay);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t writer = StartWriter([&](const HiveKey& key) {
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
        ::usleep(delay);
        ::kill(writer, SIGKILL);
        ASSERT_TRUE(WIFSIGNALED(Finish(writer)));

        // The writer's first write is in the file, perhaps some later ones, and all else as it was.
        HiveDocument document = ParseHive(home.ReadUserHive().toStdString());
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
    ASSERT_TRUE(QFile(home.Path() + "/quorvane/.user.reg.keep-me").open(QIODevice::WriteOnly));
    ASSERT_EQ(HiveKey::OpenRoot(HKEY_CURRENT_USER).SetValue("after", REG_SZ, Utf8ToStringData("x")),
        HiveResult::hsOk);
    EXPECT_EQ(FolderEntries(home.Path() + "/quorvane"),
        (QStringList { ".user.reg.keep-me", "user.reg" }));
}

TEST(HiveFile, twoWritersLoseNoneOfEachOthersValues)
{
    ConfigHome home;
    std::vector<pid_t> writers;
    for (const std::string prefix : { "first", "second" }) {
        writers.push_back(StartWriter([&](const HiveKey& key) {
            for (int i = 0; i < 10; ++i) {
                const std::string name = prefix + std::to_string(i);
                if (key.SetValue(name, REG_SZ, Utf8ToStringData(name)) != HiveResult::hsOk)
                    return false;
            }
            return true;
        }));
    }
    for (const pid_t writer : writers)
        ASSERT_EQ(Finish(writer), 0);

    const HiveDocument document = ParseHive(home.ReadUserHive().toStdString());
    ASSERT_FALSE(document.Damaged());
    const HiveNode* key = document.FindKey("HKEY_CURRENT_USER", { "Software", "Test" });
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Values().size(), 20u);
    for (const HiveValue& value : key->Values())
        EXPECT_EQ(StringDataToUtf8(value.Data), value.Name);
}
