#pragma once

#include <QString>

namespace quorvane {

// The program's own key in the user's store: every setting of the program lives below it.
inline QString ProgramKey()
{
    return QStringLiteral("Software\\Brindlewick\\Quorvane");
}

} // namespace quorvane
