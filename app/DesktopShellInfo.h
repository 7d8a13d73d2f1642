#pragma once

#include "ExecutableIcons.h"
#include "ExecutableTypeCache.h"
#include "ShellInfo.h"

namespace quorvane {

// Executable types from ELF headers and icons from the desktop's entries and icon theme, both
// kept per path between refreshes.
class DesktopShellInfo : public ShellInfo {
public:
    DesktopShellInfo();

    uint32_t ExecutableType(const std::string& path) override;
    QIcon ExtractAssociatedIcon(const std::string& path) override;

private:
    ExecutableTypeCache FTypes;
    ExecutableIcons FIcons;
};

} // namespace quorvane
