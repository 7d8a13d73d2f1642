#include "ConfigHome.h"
#include "HiveKey.h"
#include "HiveText.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quorvane;

namespace {

std::string TextOf(const HiveKey& key, std::string_view name)
{
    HiveValue value;
    return key.QueryValue(name, value) == HiveResult::hsOk ? StringDataToUtf8(value.Data)
                                                           : "<none>";
}

QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

TEST(HiveFile, aDamagedFileIsKeptAsideBeforeTheFirstWriteAndWhatWasReadCarriesOver)
{
    const QByteArray damaged = "Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_CURRENT_USER\\Software\\Test]\n"
                               "\"good\"=\"kept\"\n"
                               "\"broken\"=\"no closing quote\n"
                               "\x01\x02 binary garbage \xff\n"
                               "[HKEY_CURRENT_USER\\Software\\Test\\Child]\n"
                               "\"deep\"=\"7\"\n";
    ConfigHome home;
    home.WriteUserHive(damaged);
    const auto key = HiveKey::OpenRoot(HKEY_CURRENT_USER).OpenSubKey("Software\\Test");
    ASSERT_TRUE(key);
    EXPECT_EQ(TextOf(*key, "good"), "kept");
    EXPECT_EQ(TextOf(*key, "broken"), "<none>");
    EXPECT_EQ(home.ReadUserHive(), damaged);

    ASSERT_EQ(key->SetValue("new", REG_SZ, Utf8ToStringData("value")), HiveResult::hsOk);
    const QStringList entries = FolderEntries(home.Path() + "/quorvane");
    ASSERT_EQ(entries.size(), 2) << entries.join(' ').toStdString();
    EXPECT_TRUE(entries[1].startsWith("user.reg.unreadable-20")) << entries[1].toStdString();
    QFile aside(home.Path() + "/quorvane/" + entries[1]);
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), damaged);
    EXPECT_EQ(TextOf(*key, "good"), "kept");
    EXPECT_EQ(TextOf(*key, "new"), "value");
    EXPECT_EQ(TextOf(*key->OpenSubKey("Child"), "deep"), "7");
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
    EXPECT_EQ(HiveFile::ForCurrentUser().Path(), home.UserHive().toStdString());
    EXPECT_EQ(HiveFile::ForLocalMachine().Path(), "");
    // The machine's is the first one found; a relative folder is ignored.
    QTemporaryDir second;
    QDir().mkpath(second.path() + "/quorvane");
    QFile(second.path() + "/quorvane/machine.reg").open(QIODevice::WriteOnly);
    qputenv("XDG_CONFIG_DIRS", (home.MachineDir() + ":relative:" + second.path()).toLocal8Bit());
    EXPECT_EQ(HiveFile::ForLocalMachine().Path(),
        (second.path() + "/quorvane/machine.reg").toStdString());
    EXPECT_FALSE(HiveFile::ForLocalMachine().Writable());
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", "/home/someone");
    qputenv("XDG_CONFIG_HOME", "relative/is/ignored");
    EXPECT_EQ(HiveFile::ForCurrentUser().Path(), "/home/someone/.config/quorvane/user.reg");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(HiveFile::ForCurrentUser().Path(), "/home/someone/.config/quorvane/user.reg");
    qputenv("HOME", oldHome);
}

TEST(HiveFile, aLinkedHiveIsWrittenWhereItLivesAndTheLinkStays)
{
    ConfigHome home;
    QTemporaryDir dotfiles;
    QFile real(dotfiles.path() + "/user.reg");
    ASSERT_TRUE(real.open(QIODevice::WriteOnly));
    real.write("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Test]\n"
               "\"old\"=\"1\"\n");
    real.close();
    QDir().mkpath(home.Path() + "/quorvane");
    ASSERT_TRUE(real.link(home.UserHive()));
    const auto key = HiveKey::OpenRoot(HKEY_CURRENT_USER).OpenSubKey("Software\\Test");
    ASSERT_TRUE(key);
    ASSERT_EQ(key->SetValue("new", REG_SZ, Utf8ToStringData("2")), HiveResult::hsOk);
    EXPECT_TRUE(QFileInfo(home.UserHive()).isSymLink());
    EXPECT_EQ(TextOf(*key, "old"), "1");
    ASSERT_TRUE(real.open(QIODevice::ReadOnly));
    EXPECT_TRUE(real.readAll().contains("\"new\"=\"2\""));
}
