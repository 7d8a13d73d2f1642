#include "platform/hive/HiveKey.h"

#include "platform/hive/HiveText.h"

namespace quorvane {

namespace {

    // The registry's limit for a value name.
    constexpr size_t kMaxValueNameLength = 16383;

    std::optional<HiveKey> Fail(HiveResult* result, HiveResult why)
    {
        if (result)
            *result = why;
        return std::nullopt;
    }

} // namespace

HiveKey::HiveKey(std::shared_ptr<const HiveFile> hive, HiveKeyPath components)
    : FHive(std::move(hive))
    , FComponents(std::move(components))
{
}

HiveKey HiveKey::OpenRoot(HiveRoot root)
{
    return OpenRoot(root == HiveRoot::hrLocalMachine ? HiveFile::ForLocalMachine()
                                                     : HiveFile::ForCurrentUser());
}

HiveKey HiveKey::OpenRoot(HiveFile hive)
{
    return HiveKey(std::make_shared<const HiveFile>(std::move(hive)), {});
}

std::string HiveKey::Path() const
{
    std::string path;
    for (const std::string& name : FComponents) {
        if (!path.empty())
            path += '\\';
        path += name;
    }
    return path;
}

std::optional<HiveKey> HiveKey::Reach(std::string_view path, bool create, HiveResult* result) const
{
    HiveKeyPath below;
    if (!HiveDocument::SplitPath(path, below)
        || FComponents.size() + below.size() > kHiveMaxKeyDepth)
        return Fail(result, HiveResult::hsInvalidName);
    HiveKeyPath full = FComponents;
    full.insert(full.end(), below.begin(), below.end());
    const char* rootName = HiveRootName(FHive->Root());

    std::shared_ptr<const HiveDocument> document;
    if (const HiveResult loaded = FHive->Load(document); loaded != HiveResult::hsOk)
        return Fail(result, loaded);
    if (full.empty() || document->FindKey(rootName, full)) {
        if (result)
            *result = HiveResult::hsOk;
        return HiveKey(FHive, std::move(full));
    }
    if (!create)
        return Fail(result, HiveResult::hsNotFound);
    const HiveResult written = FHive->Update([&](HiveDocument& current) {
        current.CreateKey(rootName, full);
        return HiveResult::hsOk;
    });
    if (written != HiveResult::hsOk)
        return Fail(result, written);
    if (result)
        *result = HiveResult::hsOk;
    return HiveKey(FHive, std::move(full));
}

std::optional<HiveKey> HiveKey::CreateSubKey(std::string_view path, HiveResult* result) const
{
    return Reach(path, true, result);
}

std::optional<HiveKey> HiveKey::OpenSubKey(std::string_view path, HiveResult* result) const
{
    return Reach(path, false, result);
}

HiveResult HiveKey::QueryValue(std::string_view name, HiveValue& value) const
{
    std::shared_ptr<const HiveDocument> document;
    if (const HiveResult loaded = FHive->Load(document); loaded != HiveResult::hsOk)
        return loaded;
    const HiveNode* key = document->FindKey(HiveRootName(FHive->Root()), FComponents);
    const HiveValue* found = key ? key->FindValue(name) : nullptr;
    if (!found)
        return HiveResult::hsNotFound;
    value = *found;
    return HiveResult::hsOk;
}

HiveResult HiveKey::SetValue(std::string_view name, uint32_t type, std::string data) const
{
    // A line break or NUL in a name could not be written back as one line of the file.
    if (name.size() > kMaxValueNameLength)
        return HiveResult::hsInvalidName;
    for (char c : name) {
        if (c == '\n' || c == '\r' || c == '\0')
            return HiveResult::hsInvalidName;
    }
    if (!FHive->Writable())
        return HiveResult::hsAccessDenied;
    return FHive->Update([&](HiveDocument& document) {
        HiveNode* key = document.FindKey(HiveRootName(FHive->Root()), FComponents);
        if (!key)
            return HiveResult::hsNotFound;
        key->SetValue(HiveValue { std::string(name), type, std::move(data) });
        return HiveResult::hsOk;
    });
}

} // namespace quorvane
