#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The keys of a freedesktop .desktop file's [Desktop Entry] group that tie a program to its icon.
struct DesktopEntry {
    std::string Type;
    std::string Exec;
    std::string TryExec;
    std::string Icon;
    bool Hidden = false;

    // Nothing when the text has no [Desktop Entry] group.
    static std::optional<DesktopEntry> Parse(std::string_view text);

    // The words of an Exec value after its quoting rules, field codes included.
    static std::vector<std::string> ExecWords(std::string_view exec);

    // The program an Exec value starts: its first word, or for "env [NAME=value...] program" the
    // program that env runs. Empty when there is none.
    static std::string ExecProgram(std::string_view exec);
};

} // namespace quorvane
