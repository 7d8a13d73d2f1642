#include "platform/hive/HiveDocument.h"

#include <utility>

namespace quorvane {

namespace {
    constexpr size_t kKeptProblems = 8;
}

HiveDocument::HiveDocument()
    : FTop(std::make_unique<HiveNode>(std::string()))
{
}

bool HiveDocument::SplitPath(std::string_view path, HiveKeyPath& components)
{
    components.clear();
    if (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    if (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    if (path.empty())
        return true;
    size_t start = 0;
    while (true) {
        const size_t end = path.find('\\', start);
        const std::string_view name = path.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (name.empty() || name.size() > kHiveMaxKeyNameLength
            || components.size() >= kHiveMaxKeyDepth)
            return false;
        for (char c : name) {
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
        }
        components.emplace_back(name);
        if (end == std::string_view::npos)
            return true;
        start = end + 1;
    }
}

const HiveNode* HiveDocument::FindKey(
    std::string_view rootName, const HiveKeyPath& components) const
{
    const HiveNode* node = FTop->FindChild(rootName);
    for (size_t i = 0; node && i < components.size(); ++i)
        node = node->FindChild(components[i]);
    return node;
}

HiveNode* HiveDocument::FindKey(std::string_view rootName, const HiveKeyPath& components)
{
    return const_cast<HiveNode*>(std::as_const(*this).FindKey(rootName, components));
}

HiveNode& HiveDocument::CreateKey(std::string_view rootName, const HiveKeyPath& components)
{
    HiveNode* node = &FTop->Child(rootName);
    for (const std::string& name : components) {
        node = &node->Child(name);
        node->SetListed(true);
    }
    return *node;
}

void HiveDocument::NoteProblem(size_t line, std::string_view what)
{
    ++FProblemCount;
    if (FProblems.size() < kKeptProblems)
        FProblems.push_back("line " + std::to_string(line) + ": " + std::string(what));
}

} // namespace quorvane
