#include "tests/support/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quorvane::testing {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
    const std::vector<std::string>& extraEnvironment)
{
    int toChild[2];
    int fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);

    std::vector<std::string> argumentTexts { program };
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : argumentTexts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    std::vector<std::string> environmentTexts = extraEnvironment;
    for (char** variable = environ; *variable; ++variable)
        environmentTexts.emplace_back(*variable);
    std::vector<char*> envp;
    for (std::string& text : environmentTexts)
        envp.push_back(text.data());
    envp.push_back(nullptr);

    const int error
        = ::posix_spawn(&FPid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    FInput = toChild[1];
    FOutput = fromChild[0];
    if (error != 0) {
        ::close(FInput);
        ::close(FOutput);
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(error));
    }
}

ChildProcess::~ChildProcess()
{
    if (FPid > 0) {
        ::kill(FPid, SIGKILL);
        Finish();
    }
    if (FOutput >= 0)
        ::close(FOutput);
}

std::string ChildProcess::ReadLine()
{
    for (;;) {
        const size_t end = FPending.find('\n');
        if (end != std::string::npos) {
            std::string line = FPending.substr(0, end);
            FPending.erase(0, end + 1);
            return line;
        }
        char buffer[4096];
        const ssize_t got = ::read(FOutput, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw std::runtime_error("the child ended before answering");
        FPending.append(buffer, size_t(got));
    }
}

void ChildProcess::Send(const std::string& line)
{
    const std::string text = line + "\n";
    if (::write(FInput, text.data(), text.size()) != ssize_t(text.size()))
        throw std::runtime_error("cannot write to the child");
}

void ChildProcess::CloseInput()
{
    if (FInput >= 0) {
        ::close(FInput);
        FInput = -1;
    }
}

int ChildProcess::Finish()
{
    CloseInput();
    int status = 0;
    if (FPid > 0) {
        while (::waitpid(FPid, &status, 0) < 0 && errno == EINTR) { }
        FPid = -1;
    }
    return status;
}

} // namespace quorvane::testing
