#include "platform/proc/ProcFiles.h"

#include "platform/posix/RetryOnInterrupt.h"
#include "platform/posix/UniqueFd.h"

#include <cerrno>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace quorvane {

std::optional<std::string> ReadProcFile(int dirFd, const char* path)
{
    const UniqueFd fd(
        RetryOnInterrupt([&] { return ::openat(dirFd, path, O_RDONLY | O_CLOEXEC); }));
    if (!fd.Valid())
        return std::nullopt;
    // Most of these files fit one page; maps of a big process take a few more reads.
    std::string text(4096, '\0');
    size_t used = 0;
    for (;;) {
        if (used == text.size())
            text.resize(text.size() * 2);
        const ssize_t got = ::read(fd.Get(), text.data() + used, text.size() - used);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        used += size_t(got);
    }
    text.resize(used);
    return text;
}

std::vector<uint32_t> ListNumericEntries(int dirFd)
{
    std::vector<uint32_t> numbers;
    // fdopendir takes the descriptor over, so it gets its own duplicate.
    const int own = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    if (own < 0)
        return numbers;
    DIR* dir = ::fdopendir(own);
    if (!dir) {
        ::close(own);
        return numbers;
    }
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir)) {
        uint64_t value = 0;
        const char* c = entry->d_name;
        if (*c < '0' || *c > '9')
            continue;
        for (; *c >= '0' && *c <= '9' && value <= UINT32_MAX; ++c)
            value = value * 10 + uint64_t(*c - '0');
        if (*c == '\0' && value <= UINT32_MAX)
            numbers.push_back(uint32_t(value));
    }
    ::closedir(dir);
    return numbers;
}

} // namespace quorvane
