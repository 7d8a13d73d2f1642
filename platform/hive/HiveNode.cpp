#include "platform/hive/HiveNode.h"

#include "platform/hive/HiveText.h"

namespace quorvane {

HiveNode::HiveNode(std::string name)
    : FName(std::move(name))
{
}

HiveNode* HiveNode::FindChild(std::string_view name) const
{
    const auto found = FChildIndex.find(AsciiLower(name));
    return found == FChildIndex.end() ? nullptr : FChildren[found->second].get();
}

HiveNode& HiveNode::Child(std::string_view name)
{
    auto [position, added] = FChildIndex.try_emplace(AsciiLower(name), FChildren.size());
    if (added)
        FChildren.push_back(std::make_unique<HiveNode>(std::string(name)));
    return *FChildren[position->second];
}

const HiveValue* HiveNode::FindValue(std::string_view name) const
{
    const auto found = FValueIndex.find(AsciiLower(name));
    return found == FValueIndex.end() ? nullptr : &FValues[found->second];
}

void HiveNode::SetValue(HiveValue value)
{
    auto [position, added] = FValueIndex.try_emplace(AsciiLower(value.Name), FValues.size());
    if (added) {
        FValues.push_back(std::move(value));
    } else {
        // The name keeps the spelling it was first stored with, as in the registry.
        value.Name = FValues[position->second].Name;
        FValues[position->second] = std::move(value);
    }
}

} // namespace quorvane
