#pragma once

#include <QIcon>
#include <string>

namespace quorvane {

// What the desktop knows about an executable file: its icon. (Its type comes with the snapshot,
// which knows the image a process really runs.)
class ShellInfo {
public:
    virtual ~ShellInfo() = default;

    // The file's icon; a null icon when there is none.
    virtual QIcon ExtractAssociatedIcon(const std::string& path) = 0;
};

} // namespace quorvane
