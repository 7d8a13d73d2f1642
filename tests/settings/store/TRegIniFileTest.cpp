#include "TRegIniFile.h"
#include "ConfigHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <climits>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace quorvane;

namespace {

const QString kKey = QStringLiteral("Software\\Brindlewick\\Quorvane");

// A hand-written hive holding values of kinds the program never writes.
const QByteArray kMixedHive
    = "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Brindlewick\\Quorvane\\Splitter]\r\n"
      "\"X\"=dword:00000100\r\n"
      "\"Y\"=\"161\"\r\n"
      "\"Path\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,2f,00,61,00,00,00\r\n"
      "\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      "\"Empty\"=hex(0):\r\n"
      "\"Cut\"=hex(1):61,00,62,00,00,00,63,00,00,00\r\n"
      "\"Blob\"=hex:de,ad,be,ef\r\n";

QString Message(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ERegistryException& error) {
        return error.Message();
    }
    return QStringLiteral("(nothing raised)");
}

} // namespace

TEST(TRegIniFile, firstRunCreatesTheKeyPrivatelyAndReadsDefaults)
{
    ConfigHome home;
    ASSERT_FALSE(QFile::exists(home.UserHive()));
    {
        TRegIniFile store(kKey);
        EXPECT_TRUE(store.HasCurrentKey());
        EXPECT_EQ(store.CurrentPath(), kKey);
        EXPECT_TRUE(store.ReadFlag("Options", "Show Warnings", true));
        EXPECT_EQ(store.ReadNumber("Splitter", "X", 562), 562);
        EXPECT_EQ(store.ReadText("Columns", "Order", "none"), "none");
    }
    const QByteArray text = home.ReadUserHive();
    EXPECT_TRUE(text.startsWith("Windows Registry Editor Version 5.00\n"));
    EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\Software\\Brindlewick\\Quorvane]\n"));
    // Reads never create a section.
    EXPECT_FALSE(text.contains("Options"));
}

TEST(TRegIniFile, valuesComeBackAsWritten)
{
    ConfigHome home;
    const TRegIniFile store(kKey);
    const QStringList texts { "", "plain", "with \"quotes\" and \\back\\slashes\\",
        QString::fromUtf8("Grüße, 東京, 😀"), "two\r\nlines", "tab\there", " padded " };
    for (int i = 0; i < texts.size(); ++i)
        store.WriteText("Texts", QString("T%1").arg(i), texts[i]);
    for (const int number : { 0, 1, -1, 562, INT_MAX, INT_MIN })
        store.WriteNumber("Numbers", QString::number(number), number);
    store.WriteFlag("Flags", "On", true);
    store.WriteFlag("Flags", "Off", false);

    const TRegIniFile reader(kKey);
    for (int i = 0; i < texts.size(); ++i)
        EXPECT_EQ(reader.ReadText("Texts", QString("T%1").arg(i), "default"), texts[i]) << i;
    for (const int number : { 0, 1, -1, 562, INT_MAX, INT_MIN })
        EXPECT_EQ(reader.ReadNumber("Numbers", QString::number(number), 7), number);
    EXPECT_TRUE(reader.ReadFlag("Flags", "On", false));
    EXPECT_FALSE(reader.ReadFlag("Flags", "Off", true));

    // Numbers and flags are stored as text, in the forms other tools expect.
    const QByteArray text = home.ReadUserHive();
    EXPECT_TRUE(text.contains("\"-1\"=\"-1\"\n"));
    EXPECT_TRUE(text.contains("\"On\"=\"1\"\n"));
    EXPECT_TRUE(text.contains("\"Off\"=\"0\"\n"));
}

TEST(TRegIniFile, numberGrammar)
{
    ConfigHome home;
    const TRegIniFile store(kKey);
    struct Case {
        const char* Text;
        int Expected; // 99 is the default
    };
    const Case cases[] = {
        { "0X1f", 31 }, { "$FFFFFFFF", -1 }, { "$80000000", INT_MIN }, { "$00000000000A", 10 },
        { "$100000000", 99 }, { "\t 12", 12 }, { "12 ", 99 }, { "1.5", 99 }, { "", 99 },
        { "+5", 5 }, { "007", 7 }, { "2147483647", INT_MAX }, { "2147483648", 99 },
        { "-2147483648", INT_MIN }, { "-2147483649", 99 }, { "99999999999999999999", 99 },
        { "$", 99 }, { "0x", 99 },
        { " 0x10", 99 }, // the 0x form is recognised only at the very start
        { "0x-1", 99 }, { "-$1", 99 }, { "+-1", 99 }, { "1e3", 99 },
        { "\xd9\xa3", 99 }, // an Arabic-Indic digit three
    };
    for (const Case& c : cases)
        store.WriteText(
            "Numbers", QString::fromUtf8(c.Text).prepend('n'), QString::fromUtf8(c.Text));
    for (const Case& c : cases) {
        EXPECT_EQ(
            store.ReadNumber("Numbers", QString::fromUtf8(c.Text).prepend('n'), 99), c.Expected)
            << "text \"" << c.Text << "\"";
    }
}

TEST(TRegIniFile, flagRule)
{
    ConfigHome home;
    const TRegIniFile store(kKey);
    const std::pair<const char*, int> cases[] = {
        { "1", 1 },
        { "0", 0 },
        { "2", 1 },
        { "-1", 1 },
        { "0x0", 0 },
        { "$10", 1 },
        { "yes", -1 },
        { "true", -1 },
        { "", -1 },
        { " 0", 0 },
    };
    for (const auto& [text, expected] : cases) {
        store.WriteText("Flags", "F", text);
        for (const bool fallback : { true, false }) {
            const bool wanted = expected < 0 ? fallback : expected != 0;
            EXPECT_EQ(store.ReadFlag("Flags", "F", fallback), wanted)
                << "text \"" << text << "\" default " << fallback;
        }
    }
}

TEST(TRegIniFile, valueKindsAsAUserOrAnotherToolStoredThem)
{
    ConfigHome home;
    home.WriteUserHive(kMixedHive);
    const TRegIniFile store(kKey);
    EXPECT_EQ(
        Message([&] { store.ReadNumber("Splitter", "X", 562); }), "Invalid data type for 'X'");
    EXPECT_EQ(
        Message([&] { store.ReadText("Splitter", "List", ""); }), "Invalid data type for 'List'");
    EXPECT_EQ(
        Message([&] { store.ReadFlag("Splitter", "Blob", true); }), "Invalid data type for 'Blob'");
    // An expandable string comes back raw, nothing expanded.
    EXPECT_EQ(store.ReadText("Splitter", "Path", ""), "%HOME%/a");
    // A value of size 0 is empty text whatever its kind; a number read of it gives the default.
    EXPECT_EQ(store.ReadText("Splitter", "Empty", "default"), "");
    EXPECT_EQ(store.ReadNumber("Splitter", "Empty", 5), 5);
    // Text ends at its first NUL.
    EXPECT_EQ(store.ReadText("Splitter", "Cut", ""), "ab");
    // Names are found regardless of ASCII case, as in the registry.
    EXPECT_EQ(store.ReadNumber("SPLITTER", "y", 0), 161);
    // A read that raises leaves the file as it was.
    EXPECT_EQ(home.ReadUserHive(), kMixedHive);
}

TEST(TRegIniFile, sectionsComeIntoBeingAtTheFirstWriteAndValuesStayUnique)
{
    ConfigHome home;
    const TRegIniFile store(kKey);
    EXPECT_FALSE(home.ReadUserHive().contains("\\Quorvane\\Options]"));
    store.WriteFlag("Options", "Show Warnings", false);
    store.WriteFlag("Options", "Show Warnings", false);
    store.WriteFlag("options", "SHOW WARNINGS", true);
    const QByteArray text = home.ReadUserHive();
    EXPECT_EQ(text.count("[HKEY_CURRENT_USER\\Software\\Brindlewick\\Quorvane\\Options]"), 1);
    EXPECT_EQ(text.count("Show Warnings"), 1) << text.constData();
    EXPECT_TRUE(store.ReadFlag("Options", "Show Warnings", false));
}

TEST(TRegIniFile, nothingIsCached)
{
    ConfigHome home;
    const TRegIniFile first(kKey);
    const TRegIniFile second(kKey);
    first.WriteNumber("Splitter", "X", 10);
    EXPECT_EQ(second.ReadNumber("Splitter", "X", 0), 10);
    second.WriteNumber("Splitter", "X", 20);
    EXPECT_EQ(first.ReadNumber("Splitter", "X", 0), 20);
    // An edit in place to a file of the same size, within the same clock tick, counts at once.
    const QByteArray header = "Windows Registry Editor Version 5.00\n\n"
                              "[HKEY_CURRENT_USER\\Software\\Brindlewick\\Quorvane\\Splitter]\n";
    home.WriteUserHive(header + "\"X\"=\"11\"\n");
    EXPECT_EQ(first.ReadNumber("Splitter", "X", 0), 11);
    QFile file(home.UserHive());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.write(header + "\"X\"=\"22\"\n");
    file.close();
    EXPECT_EQ(first.ReadNumber("Splitter", "X", 0), 22);
}

TEST(TRegIniFile, failuresRaiseTheStoreMessages)
{
    ConfigHome home;
    const TRegIniFile store(kKey);
    // Names the file format cannot hold on one line are refused by the store.
    EXPECT_EQ(Message([&] { store.WriteText("Options", "two\nlines", "x"); }),
        "Failed to set data for 'two\nlines'");
    EXPECT_EQ(Message([&] { store.WriteText("Bad\\\\Section", "Name", "x"); }),
        "Failed to create key Bad\\\\Section");
    // Values written before a failure stay written.
    store.WriteText("Options", "Before", "kept");
    EXPECT_THROW(store.WriteText("Options", QString("nul") + QChar(0), "x"), ERegistryException);
    EXPECT_EQ(store.ReadText("Options", "Before", ""), "kept");
}

TEST(TRegIniFile, anUnusableStoreGivesDefaultsRaisesOnWritesAndReplacesNothing)
{
    for (const bool folderInPlaceOfTheFile : { false, true }) {
        ConfigHome home;
        // As root no permission bit stops a write: the folder lies below a plain file, or a
        // folder stands where the file should be.
        const QString blocker
            = folderInPlaceOfTheFile ? home.UserHive() : home.Path() + "/not-a-folder";
        QFile file(blocker);
        if (folderInPlaceOfTheFile) {
            QDir().mkpath(blocker);
        } else {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.close();
            qputenv("XDG_CONFIG_HOME", (blocker + "/config").toLocal8Bit());
        }
        const TRegIniFile store(kKey);
        EXPECT_FALSE(store.HasCurrentKey());
        EXPECT_TRUE(store.ReadFlag("Options", "Show Warnings", true));
        EXPECT_EQ(Message([&] { store.WriteFlag("Options", "Show Warnings", false); }),
            "Failed to create key Options");
        EXPECT_TRUE(
            folderInPlaceOfTheFile ? QFileInfo(blocker).isDir() : QFileInfo(blocker).size() == 0);
    }
}

TEST(TRegIniFile, machineRootIsReadOnly)
{
    ConfigHome home;
    TRegIniFile store(kKey);
    store.SelectRoot(HKEY_LOCAL_MACHINE);
    // Without a machine hive nothing below the root is reached.
    EXPECT_FALSE(store.OpenPath("Software\\Microsoft\\Windows\\", true));
    EXPECT_EQ(store.ReadText("CurrentVersion", "RegisteredOwner", ""), "");
    const QByteArray machine
        = "Windows Registry Editor Version 5.00\n\n"
          "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\n"
          "\"RegisteredOwner\"=\"Ada Lovelace\"\n";
    home.WriteMachineHive(machine);
    EXPECT_FALSE(store.HasCurrentKey());
    ASSERT_TRUE(store.OpenPath("Software\\Microsoft\\Windows\\", true));
    EXPECT_EQ(store.CurrentPath(), "Software\\Microsoft\\Windows");
    EXPECT_EQ(store.ReadText("CurrentVersion", "RegisteredOwner", ""), "Ada Lovelace");
    EXPECT_EQ(Message([&] { store.WriteText("NewSection", "V", "x"); }),
        "Failed to create key NewSection");
    // A key missing from the machine hive cannot be made; the current key stays.
    EXPECT_FALSE(store.OpenPath("Missing", true));
    EXPECT_EQ(store.CurrentPath(), "Software\\Microsoft\\Windows");
}

TEST(TRegIniFile, openPathGoesBelowTheCurrentKey)
{
    ConfigHome home;
    {
        const TRegIniFile store(kKey);
        store.WriteText("Options", "V", "here");
    }
    TRegIniFile store("Software\\Brindlewick");
    EXPECT_FALSE(store.OpenPath("Missing", false));
    EXPECT_EQ(store.CurrentPath(), "Software\\Brindlewick");
    ASSERT_TRUE(store.OpenPath("Quorvane", false));
    EXPECT_EQ(store.CurrentPath(), kKey);
    EXPECT_EQ(store.ReadText("Options", "V", ""), "here");
    ASSERT_TRUE(store.OpenPath("New\\Deeper", true));
    EXPECT_EQ(store.CurrentPath(), kKey + "\\New\\Deeper");
    EXPECT_TRUE(home.ReadUserHive().contains(
        "[HKEY_CURRENT_USER\\Software\\Brindlewick\\Quorvane\\New\\Deeper]\n"));
    // An empty path is the root itself.
    const TRegIniFile root("");
    EXPECT_TRUE(root.HasCurrentKey());
    root.WriteText("TopSection", "V", "x");
    EXPECT_TRUE(home.ReadUserHive().contains("[HKEY_CURRENT_USER\\TopSection]\n\"V\"=\"x\"\n"));
}

TEST(TRegIniFile, aWriteThatCannotCompleteKeepsTheOldFile)
{
    ConfigHome home;
    const TRegIniFile store(kKey);
    store.WriteText("Options", "Small", "1");
    const QByteArray before = home.ReadUserHive();
    // A full disk, as a file size limit: the new file cannot be written in full.
    rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = old;
    tight.rlim_cur = static_cast<rlim_t>(before.size());
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const QString message = Message([&] { store.WriteText("Options", "Big", QString(4096, 'x')); });
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(message, "Failed to set data for 'Big'");
    EXPECT_EQ(home.ReadUserHive(), before);
    EXPECT_EQ(store.ReadText("Options", "Big", "absent"), "absent");
    EXPECT_EQ(QDir(home.Path() + "/quorvane")
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { "user.reg" });
}
