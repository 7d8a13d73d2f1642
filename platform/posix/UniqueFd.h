#pragma once

#include <utility>

namespace quorvane {

// Owns one file descriptor and closes it when it goes.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : FFd(fd)
    {
    }
    UniqueFd(UniqueFd&& other) noexcept
        : FFd(std::exchange(other.FFd, -1))
    {
    }
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.FFd, -1));
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int Get() const { return FFd; }
    bool Valid() const { return FFd >= 0; }
    void Reset(int fd = -1);
    // Closes now and tells whether the close succeeded: after a write, a failed close can mean
    // lost data.
    bool Close();

private:
    int FFd = -1;
};

} // namespace quorvane
