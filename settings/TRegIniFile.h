#pragma once

#include "platform/hive/Hive.h"
#include "platform/hive/HiveKey.h"
#include "settings/ERegistryException.h"

#include <QString>
#include <optional>

namespace quorvane {

// An ini-file view of one key of the settings store: sections are direct subkeys of the current
// key, each holding named values. Every value written is text; numbers and flags are parsed back
// when read. Nothing is cached: each read and write opens its section, goes to the store and
// closes the section again. Make one for a short group of reads or writes and let it go at once.
class TRegIniFile {
public:
    // Opens keyPath below HKEY_CURRENT_USER, creating it and any missing key above it; an empty
    // path opens the root. Never raises: when the store refuses, the object has no current key,
    // its reads give their defaults and its writes raise.
    explicit TRegIniFile(const QString& keyPath);
    TRegIniFile(const TRegIniFile&) = delete;
    TRegIniFile& operator=(const TRegIniFile&) = delete;
    ~TRegIniFile() = default; // closing the current key is the handle's destruction

    // Switches to another predefined root, closing the current key first.
    void SelectRoot(HiveRoot root);
    // Opens keyPath below the current key (below the root when there is none) and makes it
    // current; creates it when missing if createIfMissing and keyPath is not empty. False, with
    // the current key unchanged, when the store refuses.
    bool OpenPath(const QString& keyPath, bool createIfMissing);

    QString ReadText(const QString& Section, const QString& Name, const QString& Default) const;
    int ReadNumber(const QString& Section, const QString& Name, int Default) const;
    bool ReadFlag(const QString& Section, const QString& Name, bool Default) const;

    void WriteText(const QString& Section, const QString& Name, const QString& Value) const;
    void WriteNumber(const QString& Section, const QString& Name, int Value) const;
    void WriteFlag(const QString& Section, const QString& Name, bool Value) const;

    HiveRoot RootKey() const { return FRootKey; }
    // The key path the object was made with.
    const QString& FileName() const { return FFileName; }
    bool HasCurrentKey() const { return FCurrentKey.has_value(); }
    // The current key's path below the root; empty when there is none or it is the root.
    QString CurrentPath() const;

private:
    // The stored text of Section\Name, or nothing when the section or the value is missing.
    std::optional<QString> ReadStored(const QString& Section, const QString& Name) const;
    void WriteStored(const QString& Section, const QString& Name, const QString& Value) const;

    HiveRoot FRootKey = HKEY_CURRENT_USER;
    std::optional<HiveKey> FCurrentKey;
    QString FFileName;
};

} // namespace quorvane
