#pragma once

#include "platform/hive/Hive.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quorvane {

// One key of a hive: its values and subkeys in the order they were first seen. Names compare
// without regard to ASCII case, as the registry's do.
class HiveNode {
public:
    explicit HiveNode(std::string name);
    HiveNode(const HiveNode&) = delete;
    HiveNode& operator=(const HiveNode&) = delete;

    const std::string& Name() const { return FName; }

    // Whether the key has a line of its own in the file. A key only implied as the parent of
    // another is not written out, so a rewrite adds nothing the user did not have.
    bool Listed() const { return FListed; }
    void SetListed(bool listed) { FListed = listed; }

    HiveNode* FindChild(std::string_view name) const;
    // The child of that name, made when missing.
    HiveNode& Child(std::string_view name);
    const std::vector<std::unique_ptr<HiveNode>>& Children() const { return FChildren; }

    const HiveValue* FindValue(std::string_view name) const;
    // Replaces the value of the same name, keeping its place, or appends it.
    void SetValue(HiveValue value);
    const std::vector<HiveValue>& Values() const { return FValues; }

private:
    std::string FName;
    bool FListed = false;
    std::vector<std::unique_ptr<HiveNode>> FChildren;
    std::unordered_map<std::string, size_t> FChildIndex;
    std::vector<HiveValue> FValues;
    std::unordered_map<std::string, size_t> FValueIndex;
};

} // namespace quorvane
