#include "platform/desktop/ExecutableIcons.h"

#include <QFileInfo>

namespace quorvane {

namespace {
    const std::string DeletedSuffix = " (deleted)";

    QString FromBytes(const std::string& text)
    {
        return QString::fromLocal8Bit(text);
    }
}

ExecutableIcons::ExecutableIcons(QIcon fallback)
    : FFallback(std::move(fallback))
{
}

QIcon ExecutableIcons::IconFor(const std::string& path)
{
    if (path.empty() || path.front() != '/')
        return QIcon();
    const auto known = FByPath.find(path);
    if (known != FByPath.end())
        return known->second;
    return FByPath.emplace(path, Lookup(path)).first->second;
}

QIcon ExecutableIcons::Lookup(const std::string& path)
{
    if (!FLoaded) {
        FIndex.Load();
        FLoaded = true;
    }
    const std::string* icon = FIndex.IconOf(path);
    // A program whose file was replaced while it runs is still that program.
    if (!icon && path.ends_with(DeletedSuffix))
        icon = FIndex.IconOf(path.substr(0, path.size() - DeletedSuffix.size()));
    if (!icon)
        return FFallback;
    const auto known = FByIconName.find(*icon);
    if (known != FByIconName.end())
        return known->second;
    QIcon found = Resolve(*icon);
    if (found.isNull())
        found = FFallback;
    return FByIconName.emplace(*icon, found).first->second;
}

QIcon ExecutableIcons::Resolve(const std::string& icon)
{
    if (icon.front() == '/')
        return QFileInfo::exists(FromBytes(icon)) ? QIcon(FromBytes(icon)) : QIcon();
    QIcon themed = QIcon::fromTheme(FromBytes(icon));
    if (themed.isNull()) {
        // Old entries name an icon file by its name with an extension.
        const QString base = QFileInfo(FromBytes(icon)).completeBaseName();
        if (base != FromBytes(icon))
            themed = QIcon::fromTheme(base);
    }
    return themed.isNull() ? FromPixmaps(icon) : themed;
}

QIcon ExecutableIcons::FromPixmaps(const std::string& icon) const
{
    static const char* const extensions[] = { "", ".png", ".svg", ".xpm" };
    for (const std::string& dir : FIndex.DataDirs())
        for (const char* extension : extensions) {
            const QString file = FromBytes(dir + "/pixmaps/" + icon + extension);
            if (QFileInfo(file).isFile())
                return QIcon(file);
        }
    return QIcon();
}

} // namespace quorvane
