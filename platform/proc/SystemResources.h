#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// The free share of the kernel's scarcest table: open files against fs/file-max, tasks (every
// thread takes a process identifier) against kernel/pid_max and kernel/threads-max.
class SystemResources {
public:
    // procRoot stands for /proc; tests hand tables of their own.
    explicit SystemResources(std::string procRoot = "/proc");

    // Whole percent, rounded down; nothing when no table can be read.
    std::optional<int> FreePercent() const;

private:
    // The file's blank-separated words; none when it cannot be read.
    std::vector<std::string> Fields(const char* path) const;

    std::string FProcRoot;
};

} // namespace quorvane
