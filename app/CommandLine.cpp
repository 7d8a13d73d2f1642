#include "app/CommandLine.h"

#include "app/AppIdentity.h"
#include "platform/text/FileName.h"

#include <algorithm>
#include <array>

namespace quorvane {

namespace {
    // The options QGuiApplication, QApplication and the xcb platform take out of argv before
    // anyone else sees them. Each is spelt with one dash or two.
    constexpr std::array<std::string_view, 16> QtOptionsWithValue
        = { "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
              "geometry", "qwindowtitle", "title", "qwindowicon", "icon", "session", "style",
              "stylesheet", "display", "name", "visual" };
    constexpr std::array<std::string_view, 5> QtFlags
        = { "reverse", "testability", "widgetcount", "nograb", "dograb" };
    constexpr std::array<std::string_view, 3> QtOptionsWithEquals
        = { "style=", "stylesheet=", "qmljsdebugger=" };

    template <std::size_t N>
    bool Contains(const std::array<std::string_view, N>& names, std::string_view name)
    {
        return std::find(names.begin(), names.end(), name) != names.end();
    }

    template <std::size_t N>
    bool StartsWithAny(const std::array<std::string_view, N>& prefixes, std::string_view name)
    {
        return std::any_of(prefixes.begin(), prefixes.end(),
            [name](std::string_view prefix) { return name.starts_with(prefix); });
    }
}

// A refused command line wins over --help, and --help over --version.
CommandLine CommandLine::Parse(const std::vector<std::string_view>& arguments)
{
    CommandLine result;
    auto fail = [&result](std::string error) {
        result.FAction = Action::Fail;
        result.FError = std::move(error);
        return result;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "-h" || argument == "--help") {
            result.FAction = Action::ShowHelp;
            continue;
        }
        if (argument == "-v" || argument == "--version") {
            if (result.FAction == Action::Run)
                result.FAction = Action::ShowVersion;
            continue;
        }
        if (argument.size() < 2 || argument[0] != '-')
            return fail("unexpected argument '" + std::string(argument) + "'");
        const std::string_view name = argument.substr(argument.starts_with("--") ? 2 : 1);
        if (Contains(QtOptionsWithValue, name)) {
            if (++i == arguments.size())
                return fail("option '" + std::string(argument) + "' needs a value");
            continue;
        }
        if (!Contains(QtFlags, name) && !StartsWithAny(QtOptionsWithEquals, name))
            return fail("unknown option '" + std::string(argument) + "'");
    }
    return result;
}

std::string CommandLine::Usage(std::string_view program)
{
    std::string text = "Usage: ";
    text += program;
    text += " [options]\n"
            "Shows the processes of this machine, and the threads, modules and heaps of the\n"
            "one in focus.\n"
            "\n"
            "Options:\n"
            "  -h, --help        show this help and exit\n"
            "  -v, --version     show the version and exit\n"
            "\n"
            "Qt's own options are accepted as well, among them -platform NAME, -display DISPLAY,\n"
            "-style NAME, -stylesheet FILE, -qwindowgeometry GEOMETRY and -reverse.\n";
    return text;
}

std::string CommandLine::VersionText()
{
    return std::string(AppName) + " " + AppVersion + "\n";
}

std::optional<int> AnswerCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    std::vector<std::string_view> arguments(argv + std::min(argc, 1), argv + argc);
    std::string_view program = argc > 0 && argv[0] ? argv[0] : "quorvane";
    program = FileNameOf(program);
    const CommandLine commandLine = CommandLine::Parse(arguments);
    switch (commandLine.WhatToDo()) {
    case CommandLine::Action::Run:
        return std::nullopt;
    case CommandLine::Action::ShowHelp:
        out << CommandLine::Usage(program) << std::flush;
        return out ? 0 : 1;
    case CommandLine::Action::ShowVersion:
        out << CommandLine::VersionText() << std::flush;
        return out ? 0 : 1;
    case CommandLine::Action::Fail:
        break;
    }
    err << program << ": " << commandLine.Error() << "\n\n" << CommandLine::Usage(program);
    return 2;
}

} // namespace quorvane
