#pragma once

#include <cerrno>

namespace quorvane {

// Repeats a system call that a signal interrupted before it did anything (-1 with EINTR): a
// handler installed without SA_RESTART must not turn a read into a lost row or setting.
template <typename Call> auto RetryOnInterrupt(Call call)
{
    for (;;) {
        const auto result = call();
        if (result != -1 || errno != EINTR)
            return result;
    }
}

} // namespace quorvane
