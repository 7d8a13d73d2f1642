#pragma once

#include <unistd.h>
#include <utility>

namespace quorvane {

// Owns one file descriptor and closes it when it goes.
class ScopedFd {
public:
    ScopedFd() = default;
    explicit ScopedFd(int fd)
        : FFd(fd)
    {
    }
    ScopedFd(ScopedFd&& other) noexcept
        : FFd(std::exchange(other.FFd, -1))
    {
    }
    ScopedFd& operator=(ScopedFd&& other) noexcept
    {
        if (this != &other) {
            Reset();
            FFd = std::exchange(other.FFd, -1);
        }
        return *this;
    }
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;
    ~ScopedFd() { Reset(); }

    int Get() const { return FFd; }
    bool Valid() const { return FFd >= 0; }
    void Reset()
    {
        if (FFd >= 0)
            ::close(FFd);
        FFd = -1;
    }

private:
    int FFd = -1;
};

} // namespace quorvane
