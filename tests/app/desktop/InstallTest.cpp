#include "AppIdentity.h"
#include "StartUp.h"
#include "TApplication.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

// The texts of the component's id and launchable and its release's version.
QStringList MetainfoIds(QFile& file)
{
    QStringList found;
    QXmlStreamReader xml(&file);
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("release"))
            found << xml.attributes().value(QLatin1String("version")).toString();
        else if (xml.name() == QLatin1String("id") || xml.name() == QLatin1String("launchable"))
            found << xml.readElementText();
    }
    return found;
}

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
            { QStringLiteral("--install"), QStringLiteral(QUORVANE_BUILD_DIR),
                QStringLiteral("--prefix"), Prefix.path() });
        ASSERT_TRUE(install.finished && install.exitCode == 0) << install.output.toStdString();
    }

    QString Installed(const QString& relative) const { return Prefix.filePath(relative); }
    static QString Id() { return QString::fromLatin1(AppId); }

    QTemporaryDir Prefix;
};

TEST_F(InstallTest, putsEveryFileUnderOneApplicationIdThatTheWindowAlsoCarries)
{
    const QString entry = Installed(QStringLiteral("share/applications/%1.desktop").arg(Id()));
    const QString icon
        = Installed(QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(Id()));
    const QString metainfo = Installed(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(Id()));
    for (const QString& path : { entry, icon, metainfo })
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();

    QSettings desktop(entry, QSettings::IniFormat);
    desktop.beginGroup(QStringLiteral("Desktop Entry"));
    EXPECT_EQ(desktop.value(QStringLiteral("Icon")).toString(), Id());
    EXPECT_EQ(desktop.value(QStringLiteral("Exec")).toString(), QStringLiteral("quorvane"));

    QFile file(metainfo);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(MetainfoIds(file),
        QStringList({ Id(), Id() + QStringLiteral(".desktop"), QLatin1String(AppVersion) }));

    SetUpApplication(*TApplication::Instance());
    EXPECT_EQ(QGuiApplication::desktopFileName(), Id());

    const Ran version
        = RunTool(Installed(QStringLiteral("bin/quorvane")), { QStringLiteral("--version") });
    EXPECT_EQ(version.output, QStringLiteral("Quorvane %1\n").arg(QLatin1String(AppVersion)));
}

TEST_F(InstallTest, desktopEntryAndMetainfoPassTheirValidators)
{
    struct Validator {
        const char* tool;
        const char* package;
        QStringList arguments;
    };
    const Validator validators[] = {
        { "desktop-file-validate", "desktop-file-utils",
            { Installed(QStringLiteral("share/applications/%1.desktop").arg(Id())) } },
        { "appstreamcli", "appstream",
            { QStringLiteral("validate"), QStringLiteral("--no-net"),
                Installed(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(Id())) } },
    };
    for (const Validator& validator : validators) {
        const QString tool = QStandardPaths::findExecutable(QString::fromLatin1(validator.tool));
        if (tool.isEmpty())
            GTEST_SKIP() << validator.tool << " is not installed (Debian package "
                         << validator.package << ")";
        const Ran ran = RunTool(tool, validator.arguments);
        EXPECT_TRUE(ran.finished && ran.exitCode == 0) << validator.tool << ":\n"
                                                       << ran.output.toStdString();
    }
}

} // namespace
