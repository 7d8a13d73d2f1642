#pragma once

#include "tests/support/ChildProcess.h"

#include <QTemporaryDir>
#include <string>

namespace quorvane::testing {

// The steerable child with `threads` threads, ready to obey; started from a copy of it under
// `name` (any bytes but "/" and NUL) in a folder of its own when a name is given.
struct StartedChild {
    explicit StartedChild(int threads, const std::string& name = "");
    pid_t Pid() const { return Process.Pid(); }

    // A copy of an executable in this child's folder.
    std::string Copy(const std::string& program, const std::string& name) const;

    QTemporaryDir Dir;
    std::string Path;
    ChildProcess Process;
};

} // namespace quorvane::testing
