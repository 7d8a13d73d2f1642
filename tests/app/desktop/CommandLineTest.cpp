#include "CommandLine.h"
#include "AppIdentity.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace quorvane;
using Action = CommandLine::Action;

namespace {

struct ParseCase {
    std::vector<std::string_view> arguments;
    Action expected;
};

TEST(CommandLineTest, tellsItsOwnOptionsFromQtsAndRefusesTheRest)
{
    const ParseCase cases[] = {
        { {}, Action::Run },
        { { "-h" }, Action::ShowHelp },
        { { "--help" }, Action::ShowHelp },
        { { "-v" }, Action::ShowVersion },
        { { "--version" }, Action::ShowVersion },
        { { "--version", "--help" }, Action::ShowHelp },
        { { "-platform", "offscreen", "--style", "fusion", "-reverse" }, Action::Run },
        { { "-style=fusion", "--stylesheet=a.qss", "-display", ":1", "-name", "q" }, Action::Run },
        { { "-qwindowgeometry", "800x600", "-title", "x", "-visual", "0x21" }, Action::Run },
        { { "--bogus" }, Action::Fail },
        { { "--help", "--bogus" }, Action::Fail },
        { { "-platform" }, Action::Fail },
        { { "somefile" }, Action::Fail },
        { { "-" }, Action::Fail },
        { { "-stylesheetx" }, Action::Fail },
    };
    for (const ParseCase& c : cases) {
        std::string line;
        for (std::string_view argument : c.arguments)
            line += std::string(argument) + ' ';
        SCOPED_TRACE(line);
        const CommandLine commandLine = CommandLine::Parse(c.arguments);
        EXPECT_EQ(commandLine.WhatToDo(), c.expected);
        EXPECT_EQ(commandLine.Error().empty(), c.expected != Action::Fail);
    }
}

struct Outcome {
    QProcess::ExitStatus status;
    int exitCode;
    QString out;
    QString err;
};

// The program as a user starts it from a terminal without any display.
Outcome RunProgram(const QStringList& arguments)
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
    process.start(QStringLiteral(QUORVANE_PROGRAM), arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << process.errorString().toStdString();
    return { process.exitStatus(), process.exitCode(),
        QString::fromLocal8Bit(process.readAllStandardOutput()),
        QString::fromLocal8Bit(process.readAllStandardError()) };
}

TEST(CommandLineTest, helpAndVersionAnswerOnStandardOutputWithoutADisplay)
{
    const Outcome help = RunProgram({ QStringLiteral("--help") });
    EXPECT_EQ(help.status, QProcess::NormalExit);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: quorvane [options]\n")))
        << help.out.toStdString();
    EXPECT_EQ(help.err, QString());

    const Outcome version = RunProgram({ QStringLiteral("--version") });
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("Quorvane %1\n").arg(QLatin1String(AppVersion)));
}

TEST(CommandLineTest, unknownOptionPrintsTheUsageOnStandardErrorAndExitsTwo)
{
    const Outcome outcome = RunProgram({ QStringLiteral("--frobnicate") });
    EXPECT_EQ(outcome.status, QProcess::NormalExit);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.out, QString());
    EXPECT_TRUE(outcome.err.startsWith(QStringLiteral("quorvane: unknown option '--frobnicate'")));
    EXPECT_TRUE(outcome.err.contains(QStringLiteral("Usage: quorvane [options]")));
}

TEST(CommandLineTest, qtsOwnOptionsReachQt)
{
    // Qt names the platform it was asked for when it cannot load it; we would print the usage.
    const Outcome outcome
        = RunProgram({ QStringLiteral("-platform"), QStringLiteral("no-such-platform") });
    EXPECT_TRUE(outcome.err.contains(QStringLiteral("\"no-such-platform\"")))
        << outcome.err.toStdString();
    EXPECT_FALSE(outcome.err.contains(QStringLiteral("Usage:")));
    EXPECT_NE(outcome.exitCode, 2);
}

} // namespace
