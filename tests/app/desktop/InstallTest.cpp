#include "AppIdentity.h"
#include "StartUp.h"
#include "TApplication.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

struct Ran {
    bool finished;
    int exitCode;
    QString output;
};

Ran RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished
        = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    return { finished, process.exitCode(), QString::fromLocal8Bit(process.readAll()) };
}

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Prefix.isValid());
        const Ran install = RunTool(QStringLiteral(QUORVANE_CMAKE),
            { "--install", QStringLiteral(QUORVANE_BUILD_DIR), "--prefix", Prefix.path() });
        ASSERT_TRUE(install.finished && install.exitCode == 0) << install.output.toStdString();
    }

    static QString Id() { return QString::fromLatin1(AppId); }
    QString Entry() const { return Prefix.filePath("share/applications/" + Id() + ".desktop"); }
    QString Metainfo() const { return Prefix.filePath("share/metainfo/" + Id() + ".metainfo.xml"); }

    QTemporaryDir Prefix;
};

TEST_F(InstallTest, putsEveryFileUnderOneApplicationIdThatTheWindowAlsoCarries)
{
    const QString icon = Prefix.filePath("share/icons/hicolor/scalable/apps/" + Id() + ".svg");
    for (const QString& path : { Entry(), icon, Metainfo() })
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();

    QSettings desktop(Entry(), QSettings::IniFormat);
    desktop.beginGroup(QStringLiteral("Desktop Entry"));
    EXPECT_EQ(desktop.value(QStringLiteral("Icon")).toString(), Id());
    EXPECT_EQ(desktop.value(QStringLiteral("Exec")).toString(), QStringLiteral("quorvane"));

    QFile file(Metainfo());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString metainfo = QString::fromUtf8(file.readAll());
    for (const QString& part : { "<id>" + Id() + "</id>", ">" + Id() + ".desktop</launchable>",
             QStringLiteral("<release version=\"%1\"").arg(QLatin1String(AppVersion)) })
        EXPECT_TRUE(metainfo.contains(part)) << part.toStdString();

    SetUpApplication(*TApplication::Instance());
    EXPECT_EQ(QGuiApplication::desktopFileName(), Id());

    // The installed program runs and tells its version on standard output.
    const Ran version = RunTool(Prefix.filePath("bin/quorvane"), { "--version" });
    EXPECT_EQ(version.output, QStringLiteral("Quorvane %1\n").arg(QLatin1String(AppVersion)));
}

TEST_F(InstallTest, desktopEntryAndMetainfoPassTheirValidators)
{
    const std::tuple<const char*, const char*, QStringList> validators[] = {
        { "desktop-file-validate", "desktop-file-utils", { Entry() } },
        { "appstreamcli", "appstream", { "validate", "--no-net", Metainfo() } },
    };
    for (const auto& [name, package, arguments] : validators) {
        const QString tool = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (tool.isEmpty())
            GTEST_SKIP() << name << " is not installed (Debian package " << package << ")";
        const Ran ran = RunTool(tool, arguments);
        EXPECT_TRUE(ran.finished && ran.exitCode == 0) << name << ":\n" << ran.output.toStdString();
    }
}

} // namespace
