#pragma once

#include "platform/desktop/DesktopEntryIndex.h"

#include <QIcon>
#include <string>
#include <unordered_map>

namespace quorvane {

// The icon of a program file: the icon of the .desktop entry that starts it, from the icon theme
// or the pixmaps folders; else the fallback given. A name that is no path ("[kthreadd]") has no
// icon. Entries are read at the first lookup, and icons are kept per path and per icon name.
class ExecutableIcons {
public:
    explicit ExecutableIcons(QIcon fallback);

    QIcon IconFor(const std::string& path);

private:
    QIcon Lookup(const std::string& path);
    QIcon Resolve(const std::string& icon);
    QIcon FromPixmaps(const std::string& icon) const;

    QIcon FFallback;
    bool FLoaded = false;
    DesktopEntryIndex FIndex;
    std::unordered_map<std::string, QIcon> FByPath;
    std::unordered_map<std::string, QIcon> FByIconName;
};

} // namespace quorvane
