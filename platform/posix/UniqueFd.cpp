#include "platform/posix/UniqueFd.h"

#include <unistd.h>

namespace quorvane {

void UniqueFd::Reset(int fd)
{
    if (FFd >= 0)
        ::close(FFd);
    FFd = fd;
}

bool UniqueFd::Close()
{
    const int fd = std::exchange(FFd, -1);
    return fd < 0 || ::close(fd) == 0;
}

} // namespace quorvane
