#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// The whole content of a /proc file, read until its end; nothing when it cannot be opened or read
// (the process went away, or it is not ours to read). dirFd may be AT_FDCWD.
std::optional<std::string> ReadProcFile(int dirFd, const char* path);

// The numeric entries of a /proc directory (processes or tasks), in the order the kernel lists
// them.
std::vector<uint32_t> ListNumericEntries(int dirFd);

} // namespace quorvane
