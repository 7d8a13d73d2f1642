#include "CommandLine.h"

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
        { { "-v" }, Action::ShowVersion },
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
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
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

TEST(CommandLineTest, answersOnTheRightStreamWithTheRightExitCodeWithoutADisplay)
{
    struct Run {
        QStringList Arguments;
        int ExitCode; // -1: anything but 2, which says the command line was refused
        QString Out; // what standard output starts with; empty: nothing
        QString Err; // what standard error holds; empty: nothing
        bool Usage; // on standard error
    };
    // Qt names a platform it cannot load, where we would print the usage.
    const Run runs[] = {
        { { "--help" }, 0, "Usage: quorvane [options]\n", "", false },
        { { "--frobnicate" }, 2, "", "quorvane: unknown option '--frobnicate'", true },
        { { "-platform", "no-such-platform" }, -1, "", "\"no-such-platform\"", false },
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.Arguments.join(' ').toStdString());
        const Outcome outcome = RunProgram(run.Arguments);
        if (run.ExitCode < 0) {
            EXPECT_NE(outcome.exitCode, 2);
        } else {
            EXPECT_EQ(outcome.status, QProcess::NormalExit);
            EXPECT_EQ(outcome.exitCode, run.ExitCode);
        }
        EXPECT_TRUE(run.Out.isEmpty() ? outcome.out.isEmpty() : outcome.out.startsWith(run.Out))
            << outcome.out.toStdString();
        EXPECT_TRUE(run.Err.isEmpty() ? outcome.err.isEmpty() : outcome.err.contains(run.Err))
            << outcome.err.toStdString();
        EXPECT_EQ(outcome.err.contains("Usage: quorvane [options]"), run.Usage);
    }
}

} // namespace
