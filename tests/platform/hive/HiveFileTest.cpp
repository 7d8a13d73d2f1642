#include "ConfigHome.h"
#include "HiveKey.h"
#include "HiveParser.h"
#include "HiveText.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quorvane;

namespace {

std::string ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

std::string TextOf(const HiveKey& key, std::string_view name)
{
    HiveValue value;
    return key.QueryValue(name, value) == HiveResult::hsOk ? StringDataToUtf8(value.Data)
                                                           : "<none>";
}

const std::string kDamaged = "Windows Registry Editor Version 5.00\n\n"
                             "[HKEY_CURRENT_USER\\Software\\Test]\n"
                             "\"good\"=\"kept\"\n"
                             "\"broken\"=\"no closing quote\n"
                             "\"binary\"=hex:01,02,03\n"
                             "\x01\x02 binary garbage \xff\n"
                             "[HKEY_CURRENT_USER\\Software\\Test\\Child]\n"
                             "\"deep\"=dword:00000007\n";

} // namespace

TEST(HiveFile, aDamagedFileIsKeptAsideBeforeTheFirstWriteAndWhatWasReadCarriesOver)
{
    ConfigHome home;
    home.WriteUserHive(QByteArray::fromStdString(kDamaged));
    const HiveKey root = HiveKey::OpenRoot(HKEY_CURRENT_USER);
    const auto key = root.OpenSubKey("Software\\Test");
    ASSERT_TRUE(key);
    // Reads take what could be read; the broken value reads as missing.
    EXPECT_EQ(TextOf(*key, "good"), "kept");
    EXPECT_EQ(TextOf(*key, "broken"), "<none>");
    EXPECT_EQ(ReadFile(home.UserHive()), kDamaged);

    ASSERT_EQ(key->SetValue("new", REG_SZ, Utf8ToStringData("value")), HiveResult::hsOk);
    const QStringList entries = FolderEntries(home.Path() + "/quorvane");
    ASSERT_EQ(entries.size(), 2) << entries.join(' ').toStdString();
    EXPECT_EQ(entries[0], "user.reg");
    EXPECT_TRUE(entries[1].startsWith("user.reg.unreadable-20")) << entries[1].toStdString();
    EXPECT_EQ(ReadFile(home.Path() + "/quorvane/" + entries[1]), kDamaged);

    const HiveDocument now = ParseHive(ReadFile(home.UserHive()));
    EXPECT_FALSE(now.Damaged());
    EXPECT_EQ(TextOf(*key, "good"), "kept");
    EXPECT_EQ(TextOf(*key, "new"), "value");
    HiveValue binary;
    ASSERT_EQ(key->QueryValue("binary", binary), HiveResult::hsOk);
    EXPECT_EQ(binary.Data, "\x01\x02\x03");
    HiveValue deep;
    ASSERT_EQ(key->OpenSubKey("Child")->QueryValue("deep", deep), HiveResult::hsOk);
    EXPECT_EQ(deep.Type, REG_DWORD);

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

TEST(HiveFile, temporaryFilesOfDeadWritersGoAtTheNextWrite)
{
    ConfigHome home;
    const auto key = HiveKey::OpenRoot(HKEY_CURRENT_USER).CreateSubKey("Software\\Test");
    ASSERT_TRUE(key);
    const QString folder = home.Path() + "/quorvane/";
    for (const char* orphan : { ".user.reg.a1B2c3", ".user.reg.zzzzzz" }) {
        QFile file(folder + orphan);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("half a hive");
    }
    // A file that only looks alike is someone else's and stays.
    QFile other(folder + ".user.reg.keep-me");
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    ASSERT_EQ(key->SetValue("v", REG_SZ, Utf8ToStringData("1")), HiveResult::hsOk);
    EXPECT_EQ(FolderEntries(folder), (QStringList { ".user.reg.keep-me", "user.reg" }));
}

TEST(HiveFile, userHiveFollowsTheBaseDirectoryRules)
{
    ConfigHome home;
    EXPECT_EQ(HiveFile::ForCurrentUser().Path(), home.UserHive().toStdString());
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", "/home/someone");
    qputenv("XDG_CONFIG_HOME", "relative/is/ignored");
    EXPECT_EQ(HiveFile::ForCurrentUser().Path(), "/home/someone/.config/quorvane/user.reg");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(HiveFile::ForCurrentUser().Path(), "/home/someone/.config/quorvane/user.reg");
    qputenv("HOME", oldHome);
}

TEST(HiveFile, machineHiveIsTheFirstOneFoundAndIsReadOnly)
{
    ConfigHome home;
    EXPECT_EQ(HiveFile::ForLocalMachine().Path(), "");
    QTemporaryDir second;
    QDir().mkpath(second.path() + "/quorvane");
    QFile file(second.path() + "/quorvane/machine.reg");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\n\"v\"=\"m\"\n");
    file.close();
    qputenv("XDG_CONFIG_DIRS", (home.MachineDir() + ":relative:" + second.path()).toLocal8Bit());
    const HiveFile machine = HiveFile::ForLocalMachine();
    EXPECT_EQ(machine.Path(), file.fileName().toStdString());
    EXPECT_FALSE(machine.Writable());
    const HiveKey root = HiveKey::OpenRoot(HKEY_LOCAL_MACHINE);
    const auto key = root.CreateSubKey("Software");
    ASSERT_TRUE(key);
    EXPECT_EQ(TextOf(*key, "v"), "m");
    HiveResult result = HiveResult::hsOk;
    EXPECT_FALSE(root.CreateSubKey("Software\\New", &result));
    EXPECT_EQ(result, HiveResult::hsAccessDenied);
    EXPECT_EQ(key->SetValue("v", REG_SZ, Utf8ToStringData("changed")), HiveResult::hsAccessDenied);
    EXPECT_EQ(TextOf(*key, "v"), "m");
}

TEST(HiveFile, aLinkedHiveIsWrittenWhereItLivesAndTheLinkStays)
{
    ConfigHome home;
    QTemporaryDir dotfiles;
    const QString real = dotfiles.path() + "/user.reg";
    {
        QFile file(real);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Windows Registry Editor Version "
                   "5.00\n\n[HKEY_CURRENT_USER\\Software\\Test]\n\"old\"=\"1\"\n");
    }
    QDir().mkpath(home.Path() + "/quorvane");
    ASSERT_TRUE(QFile::link(real, home.UserHive()));
    const auto key = HiveKey::OpenRoot(HKEY_CURRENT_USER).OpenSubKey("Software\\Test");
    ASSERT_TRUE(key);
    ASSERT_EQ(key->SetValue("new", REG_SZ, Utf8ToStringData("2")), HiveResult::hsOk);
    EXPECT_TRUE(QFileInfo(home.UserHive()).isSymLink());
    EXPECT_EQ(TextOf(*key, "old"), "1");
    EXPECT_EQ(TextOf(*key, "new"), "2");
    EXPECT_NE(ReadFile(real).find("\"new\"=\"2\""), std::string::npos);
}
