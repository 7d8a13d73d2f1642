#pragma once
// Records and constants of the registry stand-in: a hive is a tree of keys holding named values,
// kept in a text file in the format of registry exports. Value data are the bytes the registry
// would hold: UTF-16LE with a terminating NUL for the string kinds.

#include <cstdint>
#include <string>

namespace quorvane {

constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_EXPAND_SZ = 2;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;
constexpr uint32_t REG_MULTI_SZ = 7;
constexpr uint32_t REG_QWORD = 11;

// The registry's own limits, kept so that a hostile file cannot build an unbounded tree.
constexpr size_t kHiveMaxKeyNameLength = 255;
constexpr size_t kHiveMaxKeyDepth = 512;

enum class HiveRoot {
    hrCurrentUser,
    hrLocalMachine,
};

// The predefined roots under their platform names.
inline constexpr HiveRoot HKEY_CURRENT_USER = HiveRoot::hrCurrentUser;
inline constexpr HiveRoot HKEY_LOCAL_MACHINE = HiveRoot::hrLocalMachine;

const char* HiveRootName(HiveRoot root);

enum class HiveResult {
    hsOk,
    hsNotFound, // key or value does not exist
    hsAccessDenied, // the hive is read-only
    hsInvalidName, // a key or value name the file format cannot hold
    hsIoError, // the file or its folder could not be read or written
};

struct HiveValue {
    std::string Name; // UTF-8; empty for the key's default value ("@")
    uint32_t Type = REG_SZ;
    std::string Data; // raw bytes

    bool operator==(const HiveValue&) const = default;
};

} // namespace quorvane
