#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvane {

// What tells from /proc/PID/stat alone that a process's mappings may have changed: a new process
// under a reused PID has another start time, and mapping or unmapping anything changes the size
// of the address space. A change that keeps the size exactly (one file swapped for another of the
// same length) goes unseen until the size moves again.
struct MappingKey {
    uint64_t starttime = 0; // field 22
    uint64_t vsize = 0; // field 23
    bool kernelThread = false; // PF_KTHREAD in field 9: maps nothing

    auto operator<=>(const MappingKey&) const = default;
};

std::optional<MappingKey> ParseMappingKey(std::string_view statText);

} // namespace quorvane
