#pragma once

#include "platform/desktop/ExecutableIcons.h"
#include "platform/desktop/ShellInfo.h"

namespace quorvane {

// Icons from the desktop's entries and icon theme, kept per path between refreshes.
class DesktopShellInfo : public ShellInfo {
public:
    DesktopShellInfo();

    QIcon ExtractAssociatedIcon(const std::string& path) override;

private:
    ExecutableIcons FIcons;
};

} // namespace quorvane
