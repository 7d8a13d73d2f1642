#pragma once

#include <compare>
#include <cstdint>
#include <functional>

namespace quorvane {

// One file as the kernel knows it, whatever path it was reached by.
struct FileKey {
    uint64_t device = 0; // as makedev(major, minor)
    uint64_t inode = 0;

    auto operator<=>(const FileKey&) const = default;
};

struct FileKeyHash {
    size_t operator()(const FileKey& key) const noexcept
    {
        return std::hash<uint64_t>()(key.inode * 0x9E3779B97F4A7C15ull ^ key.device);
    }
};

} // namespace quorvane
