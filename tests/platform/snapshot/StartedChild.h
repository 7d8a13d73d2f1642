#pragma once

#include "ChildProcess.h"
#include "ProcFiles.h"
#include "ProcStat.h"

#include <QTemporaryDir>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace quorvane::test {

// The steerable child with `threads` threads, ready to obey; started from a copy of it under
// `name` (any bytes but "/" and NUL) in a folder of its own when a name is given.
struct StartedChild {
    explicit StartedChild(int threads, const std::string& name = "")
        : Path(name.empty() ? SNAPSHOT_CHILD : Copy(SNAPSHOT_CHILD, name))
        , Process(Path, { std::to_string(threads) })
    {
        EXPECT_EQ(Process.ReadLine(), "ready");
    }
    pid_t Pid() const { return Process.Pid(); }
    bool Map(const std::string& library)
    {
        Process.Send("open " + library);
        return Process.ReadLine() == "ok";
    }

    // A copy of an executable in this child's folder.
    std::string Copy(const std::string& program, const std::string& name) const
    {
        const std::filesystem::path target = Dir.path().toStdString() + "/" + name;
        std::filesystem::create_directories(target.parent_path());
        std::filesystem::copy_file(program, target);
        std::filesystem::permissions(target, std::filesystem::perms::owner_all);
        return target.string();
    }

    QTemporaryDir Dir;
    std::string Path;
    testing::ChildProcess Process;
};

// A stat file of /proc as the kernel writes it now; nothing once it is gone.
inline std::optional<ProcStat> StatAt(const std::string& path)
{
    const auto text = ReadProcFile(AT_FDCWD, path.c_str());
    return text ? ParseProcStat(*text) : std::nullopt;
}

// Polls, so that a condition that never comes fails the test instead of hanging it.
inline bool Within30Seconds(const std::function<bool()>& condition)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace quorvane::test
