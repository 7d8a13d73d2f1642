#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace quorvane::test {

// A child process started from a program file and steered through its stdin and stdout. The
// destructor kills it (if it still runs) and reaps it, so no test leaves a process behind.
class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return FPid; }
    // The next line the child writes, without its newline; empty at the end of its output.
    std::string ReadLine();
    void Send(const std::string& line);
    // Ends the child's input; it then exits, and stays a zombie until Reap.
    void CloseInput();
    // Waits until the child has exited, without reaping it.
    void WaitExited();
    void Reap();

private:
    pid_t FPid = -1;
    int FInput = -1;
    int FOutput = -1;
    std::string FPending;
};

} // namespace quorvane::test
