#include "settings/TRegIniFile.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ConfigHome.h"
#include "tests/support/IntegerTexts.h"
#include "tests/support/SignalStorm.h"

#include <QDir>
#include <QFileInfo>
#include <climits>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

const QString kKey = QStringLiteral("Software\\Brindlewick\\Quorvane");
const QByteArray kHeader = "Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_CURRENT_USER\\Software\\Brindlewick\\Quorvane\\S]\n";

QString Message(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ERegistryException& error) {
        return error.Message();
    }
    return QStringLiteral("(nothing raised)");
}

// A settings write waiting for another writer's lock goes on waiting through signals, and is kept.
TEST(TRegIniFile, aWriteWaitingForTheLockAmongSignalsIsKept)
{
    ConfigHome home;
    const QString folder = QFileInfo(home.UserHive()).path();
    ASSERT_TRUE(QDir().mkpath(folder));
    ChildProcess holder("/usr/bin/flock", { folder.toStdString(), "sh", "-c", "echo locked; cat" });
    ASSERT_EQ(holder.ReadLine(), "locked");
    std::thread release([&holder] {
        SignalStorm::AwaitMore(80);
        holder.CloseInput();
    });
    {
        const SignalStorm storm;
        EXPECT_NO_THROW(TRegIniFile("Software\\Quorvane").WriteText("Hygiene", "Value", "kept"));
        release.join();
    }
    EXPECT_EQ(TRegIniFile("Software\\Quorvane").ReadText("Hygiene", "Value", ""), "kept");
}

} // namespace

TEST(TRegIniFile, readsGiveDefaultsUntilWrittenAndEverythingIsStoredAsTextThatComesBack)
{
    ConfigHome home;
    const TRegIniFile store(kKey);
    EXPECT_TRUE(store.ReadFlag("Options", "Show Warnings", true));
    EXPECT_EQ(store.ReadText("Options", "Order", "none"), "none");
    EXPECT_FALSE(home.ReadUserHive().contains("Options"));
    store.WriteFlag("Options", "Show Warnings", false);
    EXPECT_EQ(store.ReadText("OPTIONS", "show warnings", ""), "0"); // one name in any ASCII case

    for (const QString& text :
        { QString(), QString::fromUtf8("Grüße, 東京, 😀"), QString("two\r\nlines\t") }) {
        store.WriteText("S", "T", text);
        EXPECT_EQ(TRegIniFile(kKey).ReadText("S", "T", "default"), text);
    }
    for (const int number : { -1, INT_MAX, INT_MIN }) {
        store.WriteNumber("S", "N", number);
        EXPECT_EQ(store.ReadNumber("S", "N", 7), number);
    }
    // The decimal read stops at -2147483647, so the lowest value is stored as its bit pattern.
    EXPECT_EQ(store.ReadText("S", "N", ""), "$80000000");
}

// Stored text reads as a number or a flag only when it is one whole; values of other kinds raise,
// and stored text ends at its first NUL.
TEST(TRegIniFile, storedValuesReadByTheirKindAndAsNumbersOnlyWhenWhole)
{
    ConfigHome home;
    QByteArray hive = kHeader + "\"X\"=dword:00000100\n"
        + "\"Path\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,2f,00,61,00,00,00\n"
        + "\"Empty\"=hex(0):\n" + "\"Cut\"=hex(1):61,00,62,00,00,00,63,00,00,00\n";
    for (size_t i = 0; i < std::size(kIntegerTexts); ++i)
        hive += "\"V" + QByteArray::number(i) + "\"=\"" + kIntegerTexts[i].Text + "\"\n";
    home.WriteUserHive(hive);
    const TRegIniFile store(kKey);
    for (size_t i = 0; i < std::size(kIntegerTexts); ++i) {
        const IntegerText& c = kIntegerTexts[i];
        SCOPED_TRACE(::testing::Message() << "text \"" << c.Text << "\"");
        const QString name = "V" + QString::number(i);
        EXPECT_EQ(store.ReadText("S", name, "default"), QString::fromUtf8(c.Text));
        EXPECT_EQ(store.ReadNumber("S", name, 99), c.StoredNumber.value_or(99));
    }
    EXPECT_EQ(Message([&] { store.ReadNumber("S", "X", 562); }), "Invalid data type for 'X'");
    EXPECT_EQ(store.ReadText("S", "Path", ""), "%HOME%/a") << "nothing expanded";
    // A value of size 0 is empty text whatever its kind; a number read of it gives the default.
    EXPECT_EQ(store.ReadText("S", "Empty", "default"), "");
    EXPECT_EQ(store.ReadNumber("S", "Empty", 5), 5);
    EXPECT_EQ(store.ReadText("S", "Cut", ""), "ab");
    EXPECT_EQ(home.ReadUserHive(), hive) << "a read that raises changes nothing";
}

TEST(TRegIniFile, refusedWritesRaiseTheStoreMessagesAndKeepWhatWasWritten)
{
    ConfigHome home;
    const TRegIniFile store(kKey);
    store.WriteText("Options", "Before", "kept");
    // Names the file format cannot hold on one line are refused by the store.
    EXPECT_EQ(Message([&] { store.WriteText("Options", "two\nlines", "x"); }),
        "Failed to set data for 'two\nlines'");
    EXPECT_EQ(Message([&] { store.WriteText("Bad\\\\Section", "Name", "x"); }),
        "Failed to create key Bad\\\\Section");

    // A full disk, as a file size limit: the new file cannot be written in full.
    rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = old;
    tight.rlim_cur = static_cast<rlim_t>(home.ReadUserHive().size());
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const QString message = Message([&] { store.WriteText("Options", "Big", QString(4096, 'x')); });
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(message, "Failed to set data for 'Big'");
    EXPECT_EQ(store.ReadText("Options", "Big", "absent"), "absent");
    EXPECT_EQ(store.ReadText("Options", "Before", ""), "kept");
    EXPECT_EQ(QDir(home.Path() + "/quorvane")
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { "user.reg" });
}

// As root no permission bit stops a write: a folder, or a fifo that would block, stands where the
// file should be.
TEST(TRegIniFile, anUnusableStoreGivesDefaultsRaisesOnWritesAndNeitherHangsNorReplacesIt)
{
    for (const bool fifo : { false, true }) {
        SCOPED_TRACE(fifo ? "fifo" : "folder");
        ConfigHome home;
        ASSERT_TRUE(QDir().mkpath(fifo ? QFileInfo(home.UserHive()).path() : home.UserHive()));
        if (fifo) {
            ASSERT_EQ(::mkfifo(home.UserHive().toLocal8Bit().constData(), 0600), 0);
        }
        const TRegIniFile store(kKey);
        EXPECT_TRUE(store.ReadFlag("Options", "Show Warnings", true));
        EXPECT_EQ(Message([&] { store.WriteFlag("Options", "Show Warnings", false); }),
            "Failed to create key Options");
        EXPECT_EQ(QFileInfo(home.UserHive()).isDir(), !fifo);
        EXPECT_FALSE(QFileInfo(home.UserHive()).isFile());
    }
}

TEST(TRegIniFile, theMachineRootIsReadButNeverWritten)
{
    ConfigHome home;
    const QByteArray machine
        = "Windows Registry Editor Version 5.00\n\n"
          "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\n"
          "\"RegisteredOwner\"=\"Ada Lovelace\"\n";
    home.WriteMachineHive(machine);
    TRegIniFile store(kKey);
    store.SelectRoot(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(store.OpenPath("Software\\Microsoft\\Windows\\", true));
    EXPECT_EQ(store.ReadText("CurrentVersion", "RegisteredOwner", ""), "Ada Lovelace");
    EXPECT_EQ(Message([&] { store.WriteText("CurrentVersion", "RegisteredOwner", "x"); }),
        "Failed to set data for 'RegisteredOwner'");
    EXPECT_EQ(store.ReadText("CurrentVersion", "RegisteredOwner", ""), "Ada Lovelace");
}
