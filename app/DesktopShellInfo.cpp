#include "DesktopShellInfo.h"

namespace quorvane {

DesktopShellInfo::DesktopShellInfo()
    : FIcons(QIcon(QStringLiteral(":/quorvane/executable.svg")))
{
}

uint32_t DesktopShellInfo::ExecutableType(const std::string& path)
{
    return FTypes.TypeOf(path);
}

QIcon DesktopShellInfo::ExtractAssociatedIcon(const std::string& path)
{
    return FIcons.IconFor(path);
}

} // namespace quorvane
