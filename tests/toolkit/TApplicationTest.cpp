#include "toolkit/TApplication.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// The tests run inside the application object, as the program does.
// The application ignores SIGPIPE: a write to a closed pipe fails instead of ending the program.
TEST(SignalHygiene, aBrokenPipeFailsTheWriteAndEndsNothing)
{
    int pipe[2];
    ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
    ::close(pipe[0]);
    EXPECT_EQ(::write(pipe[1], "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
    ::close(pipe[1]);
}

} // namespace
