#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The program's own command line, read before any window or display exists. It takes no
// arguments of its own beyond --help and --version; the options Qt reads itself pass through.
class CommandLine {
public:
    enum class Action { Run, ShowHelp, ShowVersion, Fail };

    // arguments without the program name
    static CommandLine Parse(const std::vector<std::string_view>& arguments);

    Action WhatToDo() const { return FAction; }
    // why the command line was refused, for Action::Fail
    const std::string& Error() const { return FError; }

    static std::string Usage(std::string_view program);
    static std::string VersionText();

private:
    Action FAction = Action::Run;
    std::string FError;
};

// Answers --help, --version and a refused command line: the exit status, or nothing when the
// program should go on and start.
std::optional<int> AnswerCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace quorvane
