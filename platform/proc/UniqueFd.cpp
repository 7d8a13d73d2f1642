#include "UniqueFd.h"

#include <unistd.h>

namespace quorvane {

void UniqueFd::Reset(int fd)
{
    if (FFd >= 0)
        ::close(FFd);
    FFd = fd;
}

} // namespace quorvane
