#pragma once

#include "platform/hive/HiveDocument.h"
#include "platform/hive/HiveFile.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// An open key of a hive: the registry's key handle. It holds no data, only where the key is, so
// every query and change goes to the file as it is at that moment. Closing is destruction.
class HiveKey {
public:
    // The predefined root: the current user's hive or the machine's, located now.
    static HiveKey OpenRoot(HiveRoot root);
    // A key on a given hive file; for tests and tools.
    static HiveKey OpenRoot(HiveFile hive);

    // Opens path below this key, creating it and every missing key above it first. An empty path
    // opens this key again.
    std::optional<HiveKey> CreateSubKey(std::string_view path, HiveResult* result = nullptr) const;
    // Opens path below this key when it exists.
    std::optional<HiveKey> OpenSubKey(std::string_view path, HiveResult* result = nullptr) const;

    // The value's type and data; hsNotFound when the key or the value is gone.
    HiveResult QueryValue(std::string_view name, HiveValue& value) const;
    HiveResult SetValue(std::string_view name, uint32_t type, std::string data) const;

    HiveRoot Root() const { return FHive->Root(); }
    const HiveFile& Hive() const { return *FHive; }
    // The key's path below its root, "\"-separated; empty for the root.
    std::string Path() const;

private:
    HiveKey(std::shared_ptr<const HiveFile> hive, HiveKeyPath components);
    std::optional<HiveKey> Reach(std::string_view path, bool create, HiveResult* result) const;

    std::shared_ptr<const HiveFile> FHive;
    HiveKeyPath FComponents;
};

} // namespace quorvane
