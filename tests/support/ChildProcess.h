#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace quorvane::testing {

// A helper program started for one test, talking through its standard input and output. It is
// killed and reaped when the object goes.
class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments = {},
        const std::vector<std::string>& extraEnvironment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return FPid; }
    // The next line of its output, without the newline; throws when the child ends first.
    std::string ReadLine();
    void Send(const std::string& line);
    // Ends its input, which the helpers take as the sign to end; it stays a zombie until Finish.
    void CloseInput();
    // Closes its input and reaps it; its wait status.
    int Finish();

private:
    pid_t FPid = -1;
    int FInput = -1;
    int FOutput = -1;
    std::string FPending;
};

} // namespace quorvane::testing
