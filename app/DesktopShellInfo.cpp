#include "app/DesktopShellInfo.h"

namespace quorvane {

DesktopShellInfo::DesktopShellInfo()
    : FIcons(QIcon(QStringLiteral(":/quorvane/executable.svg")))
{
}

QIcon DesktopShellInfo::ExtractAssociatedIcon(const std::string& path)
{
    return FIcons.IconFor(path);
}

} // namespace quorvane
