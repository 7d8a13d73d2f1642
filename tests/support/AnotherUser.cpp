#include "tests/support/AnotherUser.h"

#include <sys/wait.h>
#include <unistd.h>

namespace quorvane::testing {

namespace {
    constexpr uid_t kNobody = 65534;
    constexpr int kCannotSwitch = 125;
}

std::optional<int> RunAsAnotherUser(const std::function<int()>& body, std::string* missing)
{
    if (::geteuid() != 0) {
        *missing = "only root may become another user";
        return std::nullopt;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(kCannotSwitch);
        ::_exit(body());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) {
        *missing = "no child process to run as another user";
        return std::nullopt;
    }
    if (!WIFEXITED(status))
        return 128 + WTERMSIG(status); // as a shell reports a killed command
    if (WEXITSTATUS(status) == kCannotSwitch) {
        *missing = "cannot become user 65534 here";
        return std::nullopt;
    }
    return WEXITSTATUS(status);
}

} // namespace quorvane::testing
