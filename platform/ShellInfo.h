#pragma once

#include <QIcon>
#include <cstdint>
#include <string>

namespace quorvane {

// What the desktop knows about an executable file: its type value and its icon.
class ShellInfo {
public:
    virtual ~ShellInfo() = default;

    // The executable type value of a file: 0 when it is not an executable we know.
    virtual uint32_t ExecutableType(const std::string& path) = 0;

    // The file's icon; a null icon when there is none.
    virtual QIcon ExtractAssociatedIcon(const std::string& path) = 0;
};

} // namespace quorvane
