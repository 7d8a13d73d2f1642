#include "ChildProcess.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace quorvane::test {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args)
{
    int input[2];
    int output[2];
    if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<char*> argv { const_cast<char*>(program.c_str()) };
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    // posix_spawn returns once the exec is done, so the process already shows its own program.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    const int error = posix_spawn(&FPid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    close(output[1]);
    FInput = input[1];
    FOutput = output[0];
    if (error != 0) {
        FPid = -1;
        throw std::runtime_error("cannot start " + program);
    }
}

ChildProcess::~ChildProcess()
{
    if (FInput >= 0)
        close(FInput);
    close(FOutput);
    if (FPid > 0) {
        kill(FPid, SIGKILL);
        Reap();
    }
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
        char buffer[256];
        const ssize_t length = read(FOutput, buffer, sizeof buffer);
        if (length <= 0)
            return std::exchange(FPending, {});
        FPending.append(buffer, size_t(length));
    }
}

void ChildProcess::Send(const std::string& line)
{
    const std::string text = line + "\n";
    if (write(FInput, text.data(), text.size()) != ssize_t(text.size()))
        throw std::runtime_error("write to child failed");
}

void ChildProcess::CloseInput()
{
    close(FInput);
    FInput = -1;
}

void ChildProcess::WaitExited()
{
    siginfo_t info {};
    waitid(P_PID, id_t(FPid), &info, WEXITED | WNOWAIT);
}

void ChildProcess::Reap()
{
    if (FPid > 0)
        waitpid(FPid, nullptr, 0);
    FPid = -1;
}

} // namespace quorvane::test
