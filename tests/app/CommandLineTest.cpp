// The program as a user meets it outside the window: its command line, run from a terminal
// without a display, and its installed files.
#include "app/CommandLine.h"
#include "app/AppIdentity.h"
#include "app/StartUp.h"
#include "toolkit/TApplication.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace quorvane;
using Action = CommandLine::Action;

namespace {

TEST(CommandLineTest, tellsItsOwnOptionsFromQtsAndRefusesTheRest)
{
    const std::pair<std::vector<std::string_view>, Action> cases[] = {
        { {}, Action::Run },
        { { "-v" }, Action::ShowVersion },
        { { "-h", "--version" }, Action::ShowHelp },
        { { "-platform", "offscreen", "--reverse", "-style=fusion" }, Action::Run },
        { { "--help", "--bogus" }, Action::Fail },
        { { "-platform" }, Action::Fail },
        { { "somefile" }, Action::Fail },
    };
    for (const auto& [arguments, expected] : cases) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        const CommandLine commandLine = CommandLine::Parse(arguments);
        EXPECT_EQ(commandLine.WhatToDo(), expected);
        EXPECT_EQ(commandLine.Error().empty(), expected != Action::Fail);
    }
}

struct Outcome {
    int exitCode; // -1 when it did not finish normally
    QString out;
    QString err;
};

// Runs a program as a user does from a terminal without any display.
Outcome RunProgram(const QString& program, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    // A start that Qt aborts must not leave a core file behind.
    process.setChildProcessModifier([] {
        const rlimit none {};
        setrlimit(RLIMIT_CORE, &none);
    });
    process.start(program, arguments);
    const bool finished
        = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    return { finished ? process.exitCode() : -1,
        QString::fromLocal8Bit(process.readAllStandardOutput()),
        QString::fromLocal8Bit(process.readAllStandardError()) };
}

TEST(CommandLineTest, answersOnTheRightStreamWithTheRightExitCodeWithoutADisplay)
{
    // Help and version go to standard output: the install test reads the version there.
    const Outcome refused = RunProgram(QStringLiteral(QUORVANE_PROGRAM), { "--frobnicate" });
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_TRUE(refused.err.startsWith(
        "quorvane: unknown option '--frobnicate'\n\nUsage: quorvane [options]\n"))
        << refused.err.toStdString();
    // Qt's own options reach Qt, which names a platform it cannot load.
    const Outcome qt = RunProgram(QStringLiteral(QUORVANE_PROGRAM), { "-platform", "nowhere" });
    EXPECT_NE(qt.exitCode, 2);
    EXPECT_TRUE(qt.err.contains("\"nowhere\"")) << qt.err.toStdString();
}

TEST(InstallTest, putsEveryFileUnderTheWindowsApplicationIdAndTheirValidatorsPassThem)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const Outcome install = RunProgram(QStringLiteral(QUORVANE_CMAKE),
        { "--install", QStringLiteral(QUORVANE_BUILD_DIR), "--prefix", prefix.path() });
    ASSERT_EQ(install.exitCode, 0) << install.err.toStdString();
    const QString id = QString::fromLatin1(AppId);
    const QString entry = prefix.filePath("share/applications/" + id + ".desktop");
    const QString metainfo = prefix.filePath("share/metainfo/" + id + ".metainfo.xml");
    EXPECT_TRUE(QFile::exists(prefix.filePath("share/icons/hicolor/scalable/apps/" + id + ".svg")));

    QSettings desktop(entry, QSettings::IniFormat);
    desktop.beginGroup(QStringLiteral("Desktop Entry"));
    EXPECT_EQ(desktop.value(QStringLiteral("Icon")).toString(), id);
    EXPECT_EQ(desktop.value(QStringLiteral("Exec")).toString(), QStringLiteral("quorvane"));
    QFile file(metainfo);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString& part : { "<id>" + id + "</id>", ">" + id + ".desktop</launchable>",
             QStringLiteral("<release version=\"%1\"").arg(QLatin1String(AppVersion)) })
        EXPECT_TRUE(text.contains(part)) << part.toStdString();
    SetUpApplication(*TApplication::Instance());
    EXPECT_EQ(QGuiApplication::desktopFileName(), id);
    // The installed program runs and tells its version on standard output.
    EXPECT_EQ(RunProgram(prefix.filePath("bin/quorvane"), { "--version" }).out,
        QStringLiteral("Quorvane %1\n").arg(QLatin1String(AppVersion)));

    const std::tuple<const char*, const char*, QStringList> validators[] = {
        { "desktop-file-validate", "desktop-file-utils", { entry } },
        { "appstreamcli", "appstream", { "validate", "--no-net", metainfo } },
    };
    std::string missing; // one validator missing still leaves the other to run
    for (const auto& [name, package, arguments] : validators) {
        const QString tool = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (tool.isEmpty()) {
            missing += std::string(" ") + name + " (Debian package " + package + ")";
            continue;
        }
        const Outcome ran = RunProgram(tool, arguments);
        EXPECT_EQ(ran.exitCode, 0) << name << ":\n" << (ran.out + ran.err).toStdString();
    }
    if (!missing.empty())
        GTEST_SKIP() << "not installed:" << missing;
}

} // namespace
